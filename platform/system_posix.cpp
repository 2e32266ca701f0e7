// Heap, waiting, the time and starting a program on POSIX. Only POSIX calls belong here.
#include <errno.h>
#include <spawn.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "platform/native_path.h"
#include "platform/system.h"
#include "platform/user_folders_posix.h"

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

ProductLock TakeProductLock(const char* productId, bool) {
  // A name in Linux's abstract socket namespace: one per machine, for every user, and gone with
  // the socket when the process ends, leaving no file behind. The console edition's machine is
  // its drives folder, so the name is made of that folder and the product.
  char drives[4096];
  if (!DrivesFolder(drives, sizeof drives)) return ProductLockTaken;
  uint64_t hash = 0xcbf29ce484222325ull;
  const char* const parts[] = {drives, "/", productId};
  for (const char* text : parts) {
    for (const char* p = text; *p != '\0'; ++p) hash = (hash ^ static_cast<unsigned char>(*p)) * 0x100000001b3ull;
  }
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const int length = snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "instpack.%016llx",
                              static_cast<unsigned long long>(hash));
  // Closed on exec, so that the program the installer starts does not hold it on.
  const int lock = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (lock < 0) return ProductLockTaken;
  if (bind(lock, reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length)) == 0) {
    return ProductLockTaken;  // the socket stays open until the process ends
  }
  const bool held = errno == EADDRINUSE;
  close(lock);
  return held ? ProductLockBusy : ProductLockTaken;
}

bool ProcessIsElevated() { return geteuid() == 0; }

// The console edition has no elevation prompt: root is who runs it.
bool RunElevatedCopy(const char*, int*) { return false; }
