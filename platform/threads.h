// Threads, locks and wake-up events: what extraction needs to inflate on every core at once.
#pragma once

/// The number of processors this process may run on; at least 1.
int ProcessorCount();

/// A started thread, a lock and an event. What each points at is the platform's own business;
/// each is released by the matching Join or Destroy call.
typedef struct ThreadRecord* ThreadHandle;
typedef struct LockRecord* LockHandle;
typedef struct EventRecord* EventHandle;

/// Starts a thread that runs `body(argument)` on a stack of 64 KiB (the thread bodies are
/// shallow: zlib's inflate and a loop around it). Returns null when the thread cannot be
/// started; nothing is left behind then.
ThreadHandle StartThread(void (*body)(void* argument), void* argument);

/// Waits until the thread's body has returned, then releases the thread.
void JoinThread(ThreadHandle thread);

/// Creates a lock that no thread holds. Returns null when it cannot be had.
LockHandle CreateLock();

/// Releases a lock that no thread holds (null is ignored).
void DestroyLock(LockHandle lock);

/// Takes the lock, waiting while another thread holds it. Not re-entrant.
void AcquireLock(LockHandle lock);

/// Gives back a lock the calling thread holds.
void ReleaseLock(LockHandle lock);

/// Creates an event that is not signalled. Returns null when it cannot be had.
EventHandle CreateWakeEvent();

/// Releases an event no thread waits on (null is ignored).
void DestroyWakeEvent(EventHandle event);

/// Signals the event: the thread waiting on it goes on, or, when none waits, the next wait
/// returns at once. A signal lets exactly one wait through; signals while it is signalled are
/// not counted.
void SignalEvent(EventHandle event);

/// Waits until the event is signalled, and takes the signal (the event resets itself).
void WaitForEvent(EventHandle event);
