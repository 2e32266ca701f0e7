// Process-level services: heap, waiting and starting a program.
#pragma once
#include <stddef.h>

/// Allocates `size` bytes from the heap; null on failure.
void* AllocateMemory(size_t size);

/// Returns a block from AllocateMemory (null is ignored).
void FreeMemory(void* block);

/// Blocks the calling thread for `milliseconds`.
void SleepMilliseconds(unsigned milliseconds);

/// Starts the program at `path` (the whole path names the program; it is never split at spaces)
/// with a normal window, and returns without waiting. Returns true when it started.
bool StartProgram(const char* path);
