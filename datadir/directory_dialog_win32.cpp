// The "Choose a Data Directory" dialog on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "datadir/directory_dialog.h"
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
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  return TRUE;
}

INT_PTR CALLBACK DirectoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_DIRECTORY_EDIT, currentRun->directory);
      SetFocus(GetDlgItem(dialog, IDOK));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          // GetDlgItemTextA cuts the text to the buffer, terminator included.
          GetDlgItemTextA(dialog, IDC_DIRECTORY_EDIT, currentRun->directory, static_cast<int>(currentRun->size));
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
  INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(IDD_DATA_DIRECTORY),
                                   static_cast<HWND>(owner), DirectoryDialogProc, 0);
  currentRun = nullptr;
  if (result == 0 || result == 1) return static_cast<int>(result);
  return -1;
}
