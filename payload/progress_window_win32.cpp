// The progress window and the verification window on Win32: modeless dialogs built from
// templates 109 and 110. Only Win32 calls belong here.
#include <windows.h>

#include "payload/progress_window.h"
#include "platform/wide_text_win32.h"
#include "resources/resource_ids.h"

namespace {

// The window only tells the user what is happening: its Close box hides it (EndDialog) and
// nothing else; the installation goes on and later updates still reach the hidden control.
INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowWindow(window, SW_SHOW);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

// The installer runs no message loop, so a WM_PAINT left in the queue would wait for the next
// message box. Invalidating and painting at once, through a full WM_PAINT cycle, makes every
// change visible immediately: a control that draws its new text straight away on WM_SETTEXT
// (as Wine's static control does) never reaches EndPaint, and Wine copies a window's drawing to
// the screen only there or when the thread waits for messages.
void PaintNow(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Both windows are built from their template, with no parent, and show themselves once built.

HWND CreateShownDialog(InstanceHandle instance, int templateId) {
  HWND window = CreateDialogParamW(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEW(templateId), nullptr,
                                   ProgressDialogProc, 0);
  if (window != nullptr) PaintNow(window);
  return window;
}

}  // namespace

WindowHandle CreateProgressWindow(InstanceHandle instance) { return CreateShownDialog(instance, IDD_PROGRESS); }

WindowHandle CreateVerificationWindow(InstanceHandle instance) {
  return CreateShownDialog(instance, IDD_VERIFICATION);
}

void SetProgressText(WindowHandle window, const char* text) {
  // The texts are a short line ("Percent Complete: 100%").
  wchar_t wide[64];
  if (window == nullptr || !Utf8ToWide(text, wide, sizeof wide / sizeof wide[0])) return;
  SetDlgItemTextW(static_cast<HWND>(window), IDC_PERCENT_TEXT, wide);
  PaintNow(GetDlgItem(static_cast<HWND>(window), IDC_PERCENT_TEXT));
}

void DestroyProgressWindow(WindowHandle window) {
  if (window != nullptr) DestroyWindow(static_cast<HWND>(window));
}
