// What the product's names may be where they become Windows file and folder names or appear in
// Program Manager commands: one rule, which the packaging tool applies to a description (and
// refuses it when broken) and the installer's reader to its data block (and takes it for a
// damaged one when broken).
#pragma once
#include <stddef.h>

/// Bounds of the names, in bytes of UTF-8. A byte of UTF-8 is never less than one UTF-16 unit,
/// so a name within kMaxNameBytes is within Windows' 255 units for one path component.
enum : size_t {
  kMaxNameBytes = 255,       // a file or folder name
  kMaxTitleBytes = 200,      // groupName and appTitle, formatted into fixed-size texts
  kMaxProductIdBytes = 128,  // the key name of the product's entry among the installed programs
  // A payload file's path below the data directory. Windows takes paths of up to 32,767 UTF-16
  // units in the "\\?\" form: less those four, the data directory's 1,023 and the separator
  // after it, 31,739 remain, and a path within that many bytes of UTF-8 is within that many units.
  kMaxPathBytes = 31739,
};

/// True when the `length` bytes at `text` are valid UTF-8: no stray or missing continuation
/// byte, no overlong form, no surrogate, nothing past U+10FFFF.
bool IsValidUtf8(const char* text, size_t length);

/// What is wrong with a name, if anything. The installer only asks whether a name is fine; the
/// packaging tool says what is wrong in words of its own (tools/pack/description/), so that the
/// installer carries none of them.
enum NameProblemKind {
  NameFine = 0,
  NameEmpty,              // no text at all
  NameHasDirectory,       // '\' or '/'
  NameIsDots,             // "." or ".."
  NameHasControl,         // a control character (bytes 1-31)
  NameHasRefused,         // one of < > : " | ? *, in `character`
  NameEndsInDot,          // Windows drops the dot
  NameEndsInSpace,        // Windows drops the space
  NameTooLong,            // more bytes than the bound of its kind, in `limit`
  NameNotUtf8,            // not valid UTF-8
  NameIsDevice,           // a device name
  NameBreaksProgman,      // one of ( ) [ ] , ", in `character`
  NameNotProductId,       // a character other than ASCII letters, digits, '.', '-', '_'
  NameBadSeparator,       // a path that begins or ends with '\', has two in a row, or has '/'
};
struct NameProblem {
  NameProblemKind kind;
  char character;  // the character at fault, for NameHasRefused and NameBreaksProgman
  unsigned limit;  // the bound passed, for NameTooLong
};

/// What keeps the zero-terminated UTF-8 `name` from being created as a file or folder of exactly
/// that name in a Windows directory (kind NameFine when nothing does): the empty name, "." and
/// "..", a directory part ('\' or '/'), the characters < > : " | ? * and control characters
/// (bytes 1-31), a trailing dot or space (which Windows drops, so "help.htm." would be written as
/// "help.htm"), the device names CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9 and COM
/// or LPT with a superscript digit, in any case, alone or before an extension (spaces before the
/// dot count for nothing, as Windows reads them), more than kMaxNameBytes bytes, and text that is
/// not UTF-8.
NameProblem FileNameProblem(const char* name);

/// What keeps the zero-terminated UTF-8 `path` from naming a payload file below the data
/// directory: one or more names separated by single backslashes, each by the file-name rule above
/// (a drive such as "C:" breaks it by its colon), no separator at either end, no '/' (the
/// packaging tool turns those into backslashes), at most kMaxPathBytes bytes. A bare name is the
/// one-name case. The problem of the first name that breaks the rule is the path's.
NameProblem PayloadPathProblem(const char* path);

/// The length of the folder part that the payload paths `a` and `b` have in common, up to and
/// not counting the separator after it; 0 when they share no folder. Consecutive files of a tree
/// share their folders, so the installer asks the file system only about the folders that differ.
size_t SharedFolderLength(const char* a, const char* b);

/// True when Windows may take the zero-terminated names or paths `a` and `b` for one file or
/// folder: the same length, and byte for byte the same with ASCII letters of either case and any
/// two bytes outside ASCII taken as equal. Windows ignores case beyond ASCII too, by tables this
/// program does not carry: "may" errs towards the same, so that nothing is deleted for being
/// another name when Windows would find this one.
bool MayNameSameFile(const char* a, const char* b);

/// The same for mainExecutable: a payload path (PayloadPathProblem) of at most kMaxNameBytes
/// bytes in all, since the program's path is formatted into the items' targets and commands.
NameProblem MainExecutableProblem(const char* path);

/// The same for groupName, which names a folder (C:\Program Files\<groupName>) and a program
/// group: at most kMaxTitleBytes bytes, the file-name rule, and none of the characters that end
/// or split an unquoted argument of a Program Manager command: ( ) [ ] , ".
NameProblem GroupNameProblem(const char* groupName);

/// The same for appTitle, which names messages, items and running copies: at most
/// kMaxTitleBytes bytes, the file-name rule (it names the items' shortcut files: "..\X" or
/// "A: B" would name another file), and none of ( ) [ ] , ".
NameProblem TitleProblem(const char* appTitle);

/// The same for productId: one to kMaxProductIdBytes ASCII letters, digits, '.', '-' and '_',
/// so that it can name a registry key, a system object and a package manager's product code as
/// it is.
NameProblem ProductIdProblem(const char* productId);
