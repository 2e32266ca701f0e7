// Heap, waiting, the time and starting a program on POSIX. Only POSIX calls belong here.
#include <spawn.h>
#include <stdlib.h>
#include <time.h>

#include "platform/native_path.h"
#include "platform/system.h"

extern char** environ;

void* AllocateMemory(size_t size) { return malloc(size); }

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) {
  timespec wait = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

unsigned MillisecondCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<unsigned>(now.tv_sec) * 1000u + static_cast<unsigned>(now.tv_nsec / 1000000L);
}

bool StartProgram(const char* path) {
  // The path is Windows path text (C:\...\tov32.exe); run the file it names on this system.
  char native[4096];
  if (!MapNativePath(path, native, sizeof native, nullptr)) return false;
  pid_t child;
  char* const arguments[] = {native, nullptr};
  return posix_spawn(&child, native, nullptr, nullptr, arguments, environ) == 0;
}
