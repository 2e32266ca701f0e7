// The installer's texts are UTF-8; Windows' wide functions take UTF-16. The conversions at that
// edge, for the *_win32 files alone. Only Win32 calls belong in its body.
#pragma once
#include <stddef.h>

/// Converts the zero-terminated UTF-8 `text` to UTF-16 in `out`, which holds `count` wide
/// characters, terminator included. Returns false, leaving `out` empty, when `text` is not
/// valid UTF-8 or does not fit: a text is never cut, so a path cannot come to name another one.
bool Utf8ToWide(const char* text, wchar_t* out, size_t count);

/// Converts the zero-terminated UTF-16 `text` to UTF-8 in `out` of `size` bytes, terminator
/// included. Returns false, leaving `out` empty, when `text` holds a surrogate without its pair
/// or does not fit (never cut, as above).
bool WideToUtf8(const wchar_t* text, char* out, size_t size);

// UTF-16 never needs more units than UTF-8 needs bytes, so the wide form of a text that fits in
// N bytes fits in N wide characters.
