// The scripted user's message boxes, the recording clock, heap and program starter, the event
// log, and the one Reset of every fake, run before each test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>

#include "platform/message_box.h"
#include "platform/system.h"
#include "tests/support/fakes.h"

namespace fake {
namespace {

std::vector<ShownMessage> messages;
std::vector<std::string> events;
std::deque<int> answers;
int allocationsBeforeFailure = -1;  // -1: none fails
unsigned clockReading = 0;
unsigned clockStep = 0;  // how much later each reading of the clock is than the one before
bool elevated = false;

// Every test starts from Reset, whichever fixture it uses, or none.
class ResetBeforeEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { Reset(); }
};
const bool listening = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest);
  return true;
}();

}  // namespace

void Reset() {
  (void)listening;
  events.clear();
  ResetUser();
  ResetDialog();
  ResetShell();
  ResetDesktop();
  ResetInstalledApps();
  ResetTables();
  ResetThreads();
}

void ResetUser() {
  messages.clear();
  answers.clear();
  allocationsBeforeFailure = -1;
  clockReading = 0;
  clockStep = 0;
  elevated = false;
}

void RunElevated(bool isElevated) { elevated = isElevated; }

std::vector<std::string>& Events() { return events; }
void AnswerNext(int answer) { answers.push_back(answer); }
const std::vector<ShownMessage>& Messages() { return messages; }
void FailNextAllocation(int after) { allocationsBeforeFailure = after; }
void AdvanceClockOnEachReading(unsigned milliseconds) { clockStep = milliseconds; }

}  // namespace fake

int ShowMessage(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  // Whatever failed, the installer has stopped every thread of its own before it says so.
  if (fake::RunningThreads() != 0) ADD_FAILURE() << "\"" << caption << "\" shown while a thread still runs";
  fake::messages.push_back({caption, text, style, owner});
  fake::events.push_back(std::string("message:") + caption);
  if (fake::answers.empty()) return (style & kMessageYesNo) ? kAnswerNo : kAnswerOk;
  int answer = fake::answers.front();
  fake::answers.pop_front();
  return answer;
}

void* AllocateMemory(size_t size) {
  if (fake::allocationsBeforeFailure == 0) {
    fake::allocationsBeforeFailure = -1;
    return nullptr;
  }
  if (fake::allocationsBeforeFailure > 0) --fake::allocationsBeforeFailure;
  return malloc(size);
}

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) { fake::events.push_back("sleep:" + std::to_string(milliseconds)); }

unsigned MillisecondCount() { return fake::clockReading += fake::clockStep; }

bool StartProgram(const char* path) {
  fake::events.push_back(std::string("start:") + path);
  return true;
}

// No other installation runs beside a unit test's.
ProductLock TakeProductLock(const char*, bool) { return ProductLockTaken; }

// Unit tests install for the user who runs them, unless they say otherwise.
bool ProcessIsElevated() { return fake::elevated; }

bool RunElevatedCopy(const char* arguments, int*) {
  fake::events.push_back(std::string("elevate ") + arguments);
  return false;
}
