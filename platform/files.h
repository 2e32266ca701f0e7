// File and directory services used by extraction, rollback and directory resolution.
#pragma once
#include <stddef.h>

/// An open output file; null means none. What it points at is the platform's own business.
typedef struct OutputFileRecord* OutputFile;

/// Creates or truncates `name` (relative to the current directory unless absolute) for binary
/// writing. Returns null on failure. On every platform any number of output files may be open
/// at once, each until CloseOutputFile. Whether the same file can be opened again while it is
/// open differs (Windows shares it with no one, POSIX with anyone); the installer never does so.
OutputFile CreateOutputFile(const char* name);

/// Writes `count` bytes from `data` in one call and returns the number actually written
/// (less than `count` when the disk is full or the write fails).
size_t WriteOutputFile(OutputFile file, const void* data, size_t count);

/// Closes `file` (null is ignored). Returns false when the close reports an error.
bool CloseOutputFile(OutputFile file);

/// Makes sure what was written to `file` is on the disk, not only in the system's cache, so that
/// a crash or power loss after a rename over an earlier file cannot leave a file of the new name
/// but not its contents. Returns false when the system reports an error.
bool FlushOutputFile(OutputFile file);

/// True when `name` can be opened for reading; the file is closed again at once.
bool FileOpensForReading(const char* name);

/// True when the existing file `name` can be opened for writing, as CreateOutputFile would have
/// to open it to replace it: false for a file that is missing, read-only, a directory, or held by
/// a program that shares it with no writer (a running program on Windows). Nothing in it changes.
bool FileOpensForWriting(const char* name);

/// Reads the whole file `name` into a block from AllocateMemory with a zero byte after its
/// `*length` bytes; the caller frees it with FreeMemory. Null when the file is missing, cannot be
/// read, or no memory is left for it.
char* ReadWholeFile(const char* name, size_t* length);

/// Renames the file `from` to `to` in the same folder, replacing a file of that name, as one step
/// of the file system: no moment exists in which `to` names neither file, and the rename reaches
/// the disk before it returns. Returns true on success.
bool ReplaceFileNamed(const char* from, const char* to);

/// Deletes the file `name`. Returns true on success.
bool DeleteFileNamed(const char* name);

/// Deletes the file `name` like DeleteFileNamed, also when it is the very file this program runs
/// from. Windows keeps that file while the program runs, but lets it be renamed: it is moved out
/// of its directory into the temporary folder (possible on the same drive only) and marked there
/// for deletion when Windows next starts (which only an administrator may ask for; otherwise it
/// stays among the temporary files). POSIX deletes it like any other. Returns true when `name`
/// no longer names a file.
bool DeleteFileOrOwnProgram(const char* name);

/// What RemoveEmptyDirectory found.
enum DirectoryRemoval {
  DirectoryRemoved = 0,
  DirectoryAbsent = 1,       // there was no such directory
  DirectoryNotEmpty = 2,     // it holds files or directories, and stays
  DirectoryNotRemoved = 3,   // it could not be removed for another reason (in use, no access)
};

/// Removes the directory `path` if it is empty.
DirectoryRemoval RemoveEmptyDirectory(const char* path);

/// True when the directory `path` exists and holds any file or folder; false when it is empty,
/// missing, or cannot be listed.
bool DirectoryHoldsAnything(const char* path);

/// Makes `path` the process's current directory. Returns 0 on success, -1 on failure.
int ChangeDirectory(const char* path);

/// Creates the single directory `path`; its parent must exist. Returns 0 on success, -1 when
/// the parent is missing, the name exists, or creation fails for any other reason.
int CreateDirectoryLevel(const char* path);

/// Creates the single directory `path` like CreateDirectoryLevel, protected as Program Files
/// protects its folders: the administrators and the system may change it and what is made in it,
/// every other user may only read and run what it holds (on Windows its own access list, not its
/// parent's: ProtectedFolderDescriptor; in the console edition the mode 0755, whatever the
/// umask). Returns 0 on success, -1 when it could not be created so.
int CreateProtectedDirectoryLevel(const char* path);

/// True when users other than the administrators, the system and the user this process runs as
/// may change what the existing directory `path` holds, so that a program installed in it for
/// every user could be replaced by any of them: on Windows its security descriptor as
/// DescriptorLetsOthersChange judges it; in the console edition a group or others write bit, or
/// an owner other than root and this process's user. Also true when it cannot be examined.
bool OthersMayChangeDirectory(const char* path);

/// Asks whether `path` exists. Returns 0 and sets `*isDirectory` when it does; -1 when it does
/// not or cannot be examined. As on Windows: a name containing '?' or '*', a bare drive name
/// such as "C:", and a path ending in a separator (other than a drive root such as "C:\") do
/// not exist; the root of an existing drive is an existing directory.
int QueryPath(const char* path, bool* isDirectory);

/// Makes the relative Windows path `path` (see IsRelativePath) full, as Windows does
/// (GetFullPathName): "name" and "dir\name" join the current directory, "X:name" the current
/// directory of drive X, "\name" the root of the current drive; separators become single
/// backslashes, "." and ".." are resolved, the last name loses its trailing dots and spaces, and a
/// trailing separator stays. Writes the result into `out` of `size` bytes and returns true.
/// Returns false, with `out` empty, when the result does not fit (it is never cut to name a
/// different directory) or the current directory has no Windows name (the console edition
/// outside every drive folder; see FullWindowsPath).
bool MakeFullPath(const char* path, char* out, size_t size);
