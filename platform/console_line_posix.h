// Reading the user's answers in the console edition: one line at a time from standard input.
#pragma once
#include <stddef.h>

/// Reads one line of standard input into `line` of `size` bytes (size >= 2), without its line
/// end ("\n" or "\r\n"). A longer line is cut to fit and the rest of it is skipped, so that it
/// cannot answer the next question. Returns false at end of input.
bool ReadConsoleLine(char* line, size_t size);
