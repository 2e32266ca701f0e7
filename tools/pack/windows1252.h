// Conversion of description texts from UTF-8 to Windows-1252, the installer's 8-bit ANSI code page.
#pragma once
#include <stdint.h>

#include <string>
#include <string_view>

/// Converts `utf8` to Windows-1252 into `*out`. Returns true on success. Returns false when the
/// text is not valid UTF-8 (`*badCodePoint` set to 0xFFFFFFFF) or holds a character that
/// Windows-1252 cannot represent (`*badCodePoint` set to that character); `*out` is then
/// unspecified. The five unassigned bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D count as missing.
bool Utf8ToWindows1252(std::string_view utf8, std::string* out, uint32_t* badCodePoint);

/// Returns the upper-case form of one Windows-1252 byte the way Windows compares file names
/// (ASCII letters, the accented Latin-1 letters, and the pairs Š/š, Œ/œ, Ž/ž, Ÿ/ÿ); any other
/// byte is returned unchanged.
unsigned char UpperCase1252(unsigned char byte);

/// Returns `text` (Windows-1252) with UpperCase1252 applied to every byte.
std::string UpperCase1252(std::string_view text);
