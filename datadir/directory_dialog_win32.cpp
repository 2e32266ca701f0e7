// The "Choose a Data Directory" dialog on Win32. Only Win32 calls belong here.
#include <windows.h>

#include "datadir/data_directory.h"
#include "datadir/directory_dialog.h"
#include "resources/resource_ids.h"

namespace {

// The owner handed to RunDirectoryDialog: message boxes raised by OK belong to it, not to the
// dialog. Set before the dialog starts; the dialog is modal and single.
WindowHandle messageOwner;

INT_PTR CALLBACK DirectoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_DIRECTORY_EDIT, DataDirectory);
      SetFocus(GetDlgItem(dialog, IDOK));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          // GetDlgItemTextA cuts the text to the buffer, terminator included.
          GetDlgItemTextA(dialog, IDC_DIRECTORY_EDIT, DataDirectory, DataDirectorySize);
          if (ValidateDirectoryChoice(messageOwner)) EndDialog(dialog, 1);
          return TRUE;
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

int RunDirectoryDialog(InstanceHandle instance, WindowHandle owner) {
  messageOwner = owner;
  INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(IDD_DATA_DIRECTORY),
                                   static_cast<HWND>(owner), DirectoryDialogProc, 0);
  if (result == 0 || result == 1) return static_cast<int>(result);
  return -1;
}
