// Process-level services: heap, waiting, the time and starting a program.
#pragma once
#include <stddef.h>

/// Allocates `size` bytes from the heap; null on failure.
void* AllocateMemory(size_t size);

/// Returns a block from AllocateMemory (null is ignored).
void FreeMemory(void* block);

/// Blocks the calling thread for `milliseconds`.
void SleepMilliseconds(unsigned milliseconds);

/// A count of milliseconds from some moment that says nothing by itself: the difference of two
/// readings, taken as unsigned, is the time between them (also across the count's wrap-around,
/// every 49 days).
unsigned MillisecondCount();

/// Starts the program at `path` (the whole path names the program; it is never split at spaces)
/// with a normal window, and returns without waiting. Returns true when it started.
bool StartProgram(const char* path);
