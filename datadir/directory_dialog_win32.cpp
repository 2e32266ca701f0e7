// The "Choose a Data Directory" dialog on Win32, a Unicode dialog whose edit text is handed to the
// portable check as UTF-8. Only Win32 calls belong here.
#include <windows.h>
#include <stdlib.h>

#include "datadir/directory_dialog.h"
#include "platform/wide_text_win32.h"
#include "resources/resource_ids.h"

namespace {

// What RunDirectoryDialog hands the dialog procedure.
struct DialogRun {
  WindowHandle owner;  // owns the check's message boxes; the dialog does not
  char* directory;
  size_t size;
  DirectoryCheck check;
};

// The run of the one dialog that is up: it is modal, and the installer shows it once at a time.
const DialogRun* currentRun = nullptr;

// Copies the edit box's text into the run's buffer as UTF-8, whole or not at all: a text that
// does not fit (or is not text) leaves the buffer empty, which the check refuses. A text of
// `size` bytes needs at most `size` wide characters, so one more tells a longer one.
void ReadEditText(HWND dialog, const DialogRun& run) {
  run.directory[0] = '\0';
  const size_t count = run.size + 1;
  wchar_t* text = static_cast<wchar_t*>(malloc(count * sizeof(wchar_t)));
  if (text == nullptr) return;
  const UINT length = GetDlgItemTextW(dialog, IDC_DIRECTORY_EDIT, text, static_cast<int>(count));
  if (length < run.size) WideToUtf8(text, run.directory, run.size);
  free(text);
}

// Runs the OK check with the dialog disabled. The check's message boxes have no owner, so
// nothing else would keep the dialog from taking input under them: a click on its Cancel
// would end the dialog inside the question, and the question's answer would end it again.
// Afterwards the dialog takes input again and the focus goes back where it was.
INT_PTR CheckWithoutInput(HWND dialog, const DialogRun& run) {
  HWND focus = GetFocus();
  EnableWindow(dialog, FALSE);
  const int accepted = run.check(run.directory, run.size, run.owner);
  EnableWindow(dialog, TRUE);
  if (accepted) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  // The message box has gone while the dialog was disabled, so Windows has activated some other
  // window meanwhile; WM_NEXTDLGCTL also keeps the default button's frame right.
  SetForegroundWindow(dialog);
  if (focus == nullptr || !IsChild(dialog, focus)) focus = GetDlgItem(dialog, IDOK);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  return TRUE;
}

INT_PTR CALLBACK DirectoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      // The proposal fits the buffer as UTF-8, so its wide form fits as many wide characters.
      wchar_t* text = static_cast<wchar_t*>(malloc(currentRun->size * sizeof(wchar_t)));
      if (text != nullptr && Utf8ToWide(currentRun->directory, text, currentRun->size)) {
        SetDlgItemTextW(dialog, IDC_DIRECTORY_EDIT, text);
      }
      free(text);
      SetFocus(GetDlgItem(dialog, IDOK));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ReadEditText(dialog, *currentRun);
          return CheckWithoutInput(dialog, *currentRun);
        case IDCANCEL:  // also what Escape and the Close box send
          EndDialog(dialog, 0);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int RunDirectoryDialog(InstanceHandle instance, WindowHandle owner, char* directory, size_t size,
                       DirectoryCheck check) {
  const DialogRun run = {owner, directory, size, check};
  currentRun = &run;
  const INT_PTR result = DialogBoxParamW(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEW(IDD_DATA_DIRECTORY),
                                         static_cast<HWND>(owner), DirectoryDialogProc, 0);
  currentRun = nullptr;
  if (result == 0 || result == 1) return static_cast<int>(result);
  return -1;
}
