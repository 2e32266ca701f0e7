// Message boxes on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "platform/message_box.h"

int ShowMessage(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  int answer = MessageBoxA(static_cast<HWND>(owner), text, caption, style);
  if (answer == 0) return (style & kMessageYesNo) ? kAnswerNo : kAnswerOk;
  return answer;
}
