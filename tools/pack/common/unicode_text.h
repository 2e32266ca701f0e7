// The description's texts as Unicode: UTF-8 as written and stored, UTF-16 where Windows' own
// formats want it, and the case folding by which Windows compares file names.
#pragma once
#include <string>

/// Converts UTF-8 text to UTF-16. Returns false when `utf8` is not valid UTF-8.
bool Utf8ToUtf16(const std::string& utf8, std::u16string* out);

/// Returns the valid UTF-8 `name` with every letter in its capital form, as Windows compares
/// file names without regard to case: the simple (one to one) upper-case mapping of ASCII,
/// Latin-1, Latin Extended-A and Additional, Greek, Cyrillic, Armenian and the full-width Latin
/// letters. Scripts without case (CJK, Arabic, Hebrew, ...) stay as they are; so does a letter
/// whose capital Windows does not fold to, such as 'ß'.
std::string FoldCaseForWindows(const std::string& name);
