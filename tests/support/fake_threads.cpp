// Threads, locks and events for unit tests: real ones, the standard library's, on a machine of
// four processors whatever the test runs on, so that every extraction runs on four threads;
// thread starts can be made to fail.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/threads.h"
#include "tests/support/fakes.h"

struct ThreadRecord {
  std::thread thread;
};

struct LockRecord {
  std::mutex mutex;
};

struct EventRecord {
  std::mutex mutex;
  std::condition_variable signalled;
  bool set = false;
};

namespace fake {
namespace {

const int kProcessors = 4;
int startsBeforeFailure = -1;  // thread starts that succeed before every later one fails; -1: all
int running = 0;               // threads started and not joined yet

}  // namespace

void ResetThreads() { startsBeforeFailure = -1; }
void FailThreadStarts(int after) { startsBeforeFailure = after; }
int RunningThreads() { return running; }

}  // namespace fake

int ProcessorCount() { return fake::kProcessors; }

ThreadHandle StartThread(void (*body)(void*), void* argument) {
  if (fake::startsBeforeFailure == 0) return nullptr;
  if (fake::startsBeforeFailure > 0) --fake::startsBeforeFailure;
  ++fake::running;
  return new ThreadRecord{std::thread(body, argument)};
}

void JoinThread(ThreadHandle thread) {
  thread->thread.join();
  delete thread;
  --fake::running;
}

LockHandle CreateLock() { return new LockRecord; }
void DestroyLock(LockHandle lock) { delete lock; }
void AcquireLock(LockHandle lock) { lock->mutex.lock(); }
void ReleaseLock(LockHandle lock) { lock->mutex.unlock(); }

EventHandle CreateWakeEvent() { return new EventRecord; }
void DestroyWakeEvent(EventHandle event) { delete event; }

void SignalEvent(EventHandle event) {
  std::lock_guard<std::mutex> hold(event->mutex);
  event->set = true;
  event->signalled.notify_one();
}

void WaitForEvent(EventHandle event) {
  std::unique_lock<std::mutex> hold(event->mutex);
  event->signalled.wait(hold, [event] { return event->set; });
  event->set = false;
}
