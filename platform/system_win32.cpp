// Heap, waiting, the time and starting a program on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "platform/system.h"

void* AllocateMemory(size_t size) { return malloc(size); }

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

unsigned MillisecondCount() { return GetTickCount(); }

bool StartProgram(const char* path) {
  // Quoted, so that a path with spaces such as C:\Program Files\... names exactly this program
  // and Windows never tries C:\Program.exe first.
  // Room for the longest program path the installer forms (a 1,023-character directory, a
  // separator and a 255-character name) and the two quotes.
  char commandLine[1024 + 1 + 256 + 2 + 1];
  int length = snprintf(commandLine, sizeof commandLine, "\"%s\"", path);
  if (length < 0 || static_cast<size_t>(length) >= sizeof commandLine) return false;
  return WinExec(commandLine, SW_SHOW) > 31;
}
