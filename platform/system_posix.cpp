// Heap, waiting and starting a program on POSIX. Only POSIX calls belong here.
#include <spawn.h>
#include <stdlib.h>
#include <time.h>

#include "platform/system.h"

extern char** environ;

void* AllocateMemory(size_t size) { return malloc(size); }

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) {
  timespec wait = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

bool StartProgram(const char* path) {
  pid_t child;
  char* const arguments[] = {const_cast<char*>(path), nullptr};
  return posix_spawn(&child, path, nullptr, nullptr, arguments, environ) == 0;
}
