// Threads, locks and events on POSIX threads. Only POSIX calls belong here.
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/threads.h"

struct ThreadRecord {
  pthread_t thread;
  void (*body)(void*);
  void* argument;
};

struct LockRecord {
  pthread_mutex_t mutex;
};

// POSIX has no event: a flag under a mutex, and a condition to wait for it on.
struct EventRecord {
  pthread_mutex_t mutex;
  pthread_cond_t signalled;
  bool set;
};

namespace {

const size_t kStackSize = size_t{64} * 1024;

void* RunBody(void* record) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(record);
  thread->body(thread->argument);
  return nullptr;
}

}  // namespace

int ProcessorCount() {
  // The processors this process may run on, not the machine's: a process confined to fewer
  // (taskset, a container's CPU set) gains nothing from more threads.
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) return CPU_COUNT(&allowed);
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(online) : 1;
}

ThreadHandle StartThread(void (*body)(void*), void* argument) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(malloc(sizeof(ThreadRecord)));
  if (thread == nullptr) return nullptr;
  thread->body = body;
  thread->argument = argument;
  pthread_attr_t attributes;
  bool started = false;
  if (pthread_attr_init(&attributes) == 0) {
    started = pthread_attr_setstacksize(&attributes, kStackSize) == 0 &&
              pthread_create(&thread->thread, &attributes, RunBody, thread) == 0;
    pthread_attr_destroy(&attributes);
  }
  if (!started) {
    free(thread);
    return nullptr;
  }
  return thread;
}

void JoinThread(ThreadHandle thread) {
  pthread_join(thread->thread, nullptr);
  free(thread);
}

LockHandle CreateLock() {
  LockRecord* lock = static_cast<LockRecord*>(malloc(sizeof(LockRecord)));
  if (lock != nullptr && pthread_mutex_init(&lock->mutex, nullptr) != 0) {
    free(lock);
    return nullptr;
  }
  return lock;
}

void DestroyLock(LockHandle lock) {
  if (lock == nullptr) return;
  pthread_mutex_destroy(&lock->mutex);
  free(lock);
}

void AcquireLock(LockHandle lock) { pthread_mutex_lock(&lock->mutex); }

void ReleaseLock(LockHandle lock) { pthread_mutex_unlock(&lock->mutex); }

EventHandle CreateWakeEvent() {
  EventRecord* event = static_cast<EventRecord*>(malloc(sizeof(EventRecord)));
  if (event == nullptr) return nullptr;
  if (pthread_mutex_init(&event->mutex, nullptr) != 0) {
    free(event);
    return nullptr;
  }
  if (pthread_cond_init(&event->signalled, nullptr) != 0) {
    pthread_mutex_destroy(&event->mutex);
    free(event);
    return nullptr;
  }
  event->set = false;
  return event;
}

void DestroyWakeEvent(EventHandle event) {
  if (event == nullptr) return;
  pthread_cond_destroy(&event->signalled);
  pthread_mutex_destroy(&event->mutex);
  free(event);
}

void SignalEvent(EventHandle event) {
  pthread_mutex_lock(&event->mutex);
  event->set = true;
  pthread_cond_signal(&event->signalled);
  pthread_mutex_unlock(&event->mutex);
}

void WaitForEvent(EventHandle event) {
  pthread_mutex_lock(&event->mutex);
  while (!event->set) pthread_cond_wait(&event->signalled, &event->mutex);
  event->set = false;
  pthread_mutex_unlock(&event->mutex);
}
