// Scripted user, recording clock and program starter for unit tests.
#include "tests/fakes/fake_platform.h"

#include <stdlib.h>

#include <deque>

#include "platform/message_box.h"
#include "platform/system.h"

namespace fake {
namespace {
std::vector<ShownMessage> messages;
std::vector<std::string> events;
std::deque<int> answers;
bool failAllocation = false;
}  // namespace

void Reset() {
  messages.clear();
  events.clear();
  answers.clear();
  failAllocation = false;
}
void AnswerNext(int answer) { answers.push_back(answer); }
const std::vector<ShownMessage>& Messages() { return messages; }
std::vector<std::string>& Events() { return events; }
void FailNextAllocation() { failAllocation = true; }

}  // namespace fake

int ShowMessage(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  fake::messages.push_back({caption, text, style, owner});
  fake::events.push_back(std::string("message:") + caption);
  if (fake::answers.empty()) return (style & kMessageYesNo) ? kAnswerNo : kAnswerOk;
  int answer = fake::answers.front();
  fake::answers.pop_front();
  return answer;
}

void* AllocateMemory(size_t size) {
  if (fake::failAllocation) {
    fake::failAllocation = false;
    return nullptr;
  }
  return malloc(size);
}

void FreeMemory(void* block) { free(block); }

void SleepMilliseconds(unsigned milliseconds) { fake::events.push_back("sleep:" + std::to_string(milliseconds)); }

bool StartProgram(const char* path) {
  fake::events.push_back(std::string("start:") + path);
  return true;
}
