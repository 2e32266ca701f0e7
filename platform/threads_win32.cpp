// Threads, locks and events on Win32. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>

#include "platform/threads.h"

// The handle returned by CreateThread, and what the new thread runs.
struct ThreadRecord {
  HANDLE handle;
  void (*body)(void*);
  void* argument;
};

struct LockRecord {
  CRITICAL_SECTION section;
};

namespace {

// Reserved address space, not memory: pages are committed as the stack grows. A 32-bit process
// has 2 GB of addresses, and the default reservation (the program's, 2 MB with mingw) would take
// 2 MB of them per thread for a body that needs a few kilobytes.
const SIZE_T kStackSize = SIZE_T{64} * 1024;

DWORD WINAPI RunBody(LPVOID record) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(record);
  thread->body(thread->argument);
  return 0;
}

}  // namespace

int ProcessorCount() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return system.dwNumberOfProcessors > 0 ? static_cast<int>(system.dwNumberOfProcessors) : 1;
}

ThreadHandle StartThread(void (*body)(void*), void* argument) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(malloc(sizeof(ThreadRecord)));
  if (thread == nullptr) return nullptr;
  thread->body = body;
  thread->argument = argument;
  // msvcrt.dll sets up its per-thread data on a thread's first use and frees it when the thread
  // ends, so CreateThread serves as well as _beginthreadex for a body that calls malloc.
  thread->handle = CreateThread(nullptr, kStackSize, RunBody, thread, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread->handle == nullptr) {
    free(thread);
    return nullptr;
  }
  return thread;
}

void JoinThread(ThreadHandle thread) {
  WaitForSingleObject(thread->handle, INFINITE);
  CloseHandle(thread->handle);
  free(thread);
}

LockHandle CreateLock() {
  LockRecord* lock = static_cast<LockRecord*>(malloc(sizeof(LockRecord)));
  if (lock != nullptr) InitializeCriticalSection(&lock->section);
  return lock;
}

void DestroyLock(LockHandle lock) {
  if (lock == nullptr) return;
  DeleteCriticalSection(&lock->section);
  free(lock);
}

void AcquireLock(LockHandle lock) { EnterCriticalSection(&lock->section); }

void ReleaseLock(LockHandle lock) { LeaveCriticalSection(&lock->section); }

// The event handle itself serves as the handle: an auto-reset event is exactly the contract.
EventHandle CreateWakeEvent() {
  return reinterpret_cast<EventHandle>(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

void DestroyWakeEvent(EventHandle event) {
  if (event != nullptr) CloseHandle(reinterpret_cast<HANDLE>(event));
}

void SignalEvent(EventHandle event) { SetEvent(reinterpret_cast<HANDLE>(event)); }

void WaitForEvent(EventHandle event) { WaitForSingleObject(reinterpret_cast<HANDLE>(event), INFINITE); }
