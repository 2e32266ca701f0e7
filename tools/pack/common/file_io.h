// The packaging tool's file services, the same on Linux and on Windows: whole files, reads and
// writes at an offset, replacing a file, and where the tool itself lives.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

/// Opens `path` for reading in binary mode. Never blocks on a named pipe (a path that is one is
/// then refused by CheckRegularFile, not waited on). Returns the descriptor, or -1 with errno set.
int OpenForReading(const std::string& path);

/// Creates `path` for reading and writing in binary mode, failing when it exists (O_EXCL). On Linux an
/// `executable` file gets mode 0755, any other 0644 (before the umask). Returns the descriptor, or
/// -1 with errno set.
int CreateForWriting(const std::string& path, bool executable);

/// Size of the open regular file `fd`. Returns false with `*problem` set ("is a directory", "is not
/// a regular file", or the system's reason) otherwise.
bool RegularFileSize(int fd, uint64_t* size, std::string* problem);

/// Reads the whole file at `path` into `*bytes`. Returns false with a one-line `*error` naming
/// `path` when it cannot be opened or read or is not a regular file.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

/// Reads exactly `size` bytes at `offset` of `fd`. False with errno set on failure or early end
/// (errno 0 then).
bool ReadAt(int fd, void* data, size_t size, uint64_t offset);

/// Writes all `size` bytes at `offset` of `fd`. False with errno set on failure.
bool WriteAt(int fd, const void* data, size_t size, uint64_t offset);

/// Moves the current position of `fd` to `offset`. False with errno set on failure.
bool SeekTo(int fd, uint64_t offset);

/// Writes all `size` bytes at `data` at the current position of `fd`, retrying short writes.
/// Returns true when every byte was written; false with errno set otherwise (ENOSPC when the
/// system wrote nothing without saying why).
bool WriteAll(int fd, const void* data, size_t size);

/// Reads up to `size` bytes at the current position, stopping early only at the end of the file.
/// Returns the count read, or -1 with errno set.
long long ReadFully(int fd, void* data, size_t size);

/// Renames `from` over `to`, replacing a file already there. False with errno set on failure.
bool RenameOver(const std::string& from, const std::string& to);

/// True when both paths name one existing file (the same file system object).
bool SameFile(const std::string& a, const std::string& b);

/// True when `path` names an existing directory.
bool IsDirectory(const std::string& path);

/// The full path of the running program, or an empty text when the system does not say.
std::string RunningProgramPath();

/// A number that differs between processes running at the same time, for temporary names.
long ProcessNumber();
