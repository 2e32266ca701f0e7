// fake_setup.exe: a stand-in installer that shows the player the kinds of windows a real one
// does, so the player's own behaviour can be tested without an installer. Only Win32 calls belong here.
//
//   fake_setup.exe           a warning box, then a Yes/No question; Yes starts "fake_setup.exe app"
//   fake_setup.exe app       a plain window titled "Tovalin Fake" that runs until closed
// With a file named "hang" in its current directory it shows nothing and never ends; with one
// named "ask" it first asks for a directory in a dialog with an edit box, then shows the answer.
#include <windows.h>

#include <string.h>

namespace {

LRESULT CALLBACK AppWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Builds a dialog template in memory, so that the stand-in needs no resource script.
struct TemplateWriter {
  WORD words[512];
  int used = 0;
  void Word(WORD w) { words[used++] = w; }
  void Dword(DWORD d) { Word(LOWORD(d)); Word(HIWORD(d)); }
  void Text(const char* text) {
    do Word(static_cast<WORD>(static_cast<unsigned char>(*text))); while (*text++ != '\0');
  }
  void AlignToDword() {
    if (used % 2 != 0) Word(0);
  }
  // One control of a predefined class: 0x80 button, 0x81 edit, 0x82 static.
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom,
            const char* text) {
    AlignToDword();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(x), Word(y), Word(cx), Word(cy), Word(id);
    Word(0xFFFF), Word(classAtom);
    Text(text);
    Word(0);
  }
};

enum { kEditId = 100 };
char chosenDirectory[MAX_PATH];

INT_PTR CALLBACK DirectoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    GetDlgItemTextA(dialog, kEditId, chosenDirectory, sizeof chosenDirectory);
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

void AskForDirectory(HINSTANCE instance) {
  static TemplateWriter t;
  t.Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  t.Dword(0);
  t.Word(4);
  t.Word(0), t.Word(0), t.Word(200), t.Word(70);
  t.Word(0), t.Word(0);
  t.Text("Fake Directory");
  t.Word(8);
  t.Text("MS Shell Dlg");
  t.Item(SS_LEFT, 7, 7, 186, 10, 0xFFFF, 0x82, "Install into:");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 186, 14, kEditId, 0x81, "C:\\Fake");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 45, 50, 14, IDOK, 0x80, "OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 143, 45, 50, 14, IDCANCEL, 0x80, "Cancel");
  INT_PTR answer = DialogBoxIndirectParamA(instance, reinterpret_cast<DLGTEMPLATE*>(t.words),
                                           nullptr, DirectoryDialogProc, 0);
  MessageBoxA(nullptr, chosenDirectory, answer == IDOK ? "Fake Result" : "Fake Cancelled", MB_OK);
}

int RunApp(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = AppWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "FakeApp";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&windowClass);
  CreateWindowA("FakeApp", "Tovalin Fake", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                nullptr, nullptr, instance, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (strstr(commandLine, "app") != nullptr) return RunApp(instance);
  if (GetFileAttributesA("hang") != INVALID_FILE_ATTRIBUTES) Sleep(INFINITE);
  if (GetFileAttributesA("ask") != INVALID_FILE_ATTRIBUTES) AskForDirectory(instance);
  MessageBoxA(nullptr, "First box.", "Fake Notice", MB_OK | MB_ICONWARNING);
  if (MessageBoxA(nullptr, "Start it now?", "Fake Question", MB_YESNO) == IDYES) {
    char self[MAX_PATH + 8];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    strcat(self, " app");
    WinExec(self, SW_SHOW);
  }
  return 0;
}
