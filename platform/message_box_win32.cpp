// Message boxes on Win32, shown through MessageBoxW with the UTF-8 texts converted. Only Win32
// calls belong here.
#include <windows.h>

#include "platform/message_box.h"
#include "platform/wide_text_win32.h"

namespace {

// The longest message is the uninstaller's list of what was left (8,192 bytes), as UTF-16 at most
// as many wide characters; a caption is a fixed text around a title of at most 200 bytes.
enum { kTextSize = 8192, kCaptionSize = 512 };

}  // namespace

int ShowMessage(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  const int unanswered = (style & kMessageYesNo) ? kAnswerNo : kAnswerOk;
  wchar_t wideText[kTextSize];
  wchar_t wideCaption[kCaptionSize];
  if (!Utf8ToWide(text, wideText, kTextSize) || !Utf8ToWide(caption, wideCaption, kCaptionSize)) return unanswered;
  const int answer = MessageBoxW(static_cast<HWND>(owner), wideText, wideCaption, style);
  return answer == 0 ? unanswered : answer;
}
