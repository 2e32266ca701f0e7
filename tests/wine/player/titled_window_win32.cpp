// titled_window.exe: a stand-in for some other program's window, to see whom the installer asks
// to quit. Only Win32 calls belong here.
//
//   titled_window.exe <title> <record file> [<lock name>]
//
// With a lock name it first creates a mutex of that name and holds it while it runs, owned by the
// user it runs as and open to everyone: a lock name taken by someone other than the administrators.
// Opens a plain top-level window with exactly <title> (any text: it is read from the wide command
// line) and runs a message loop. When the loop
// ends on WM_QUIT it writes "quit" to <record file> and exits; closing the window or killing the
// program writes nothing, so the file exists only if a quit request arrived.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // Closing is not quitting: end without the record, so the file means WM_QUIT and nothing else.
    ExitProcess(0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || (argc != 3 && argc != 4)) {
    fprintf(stderr, "usage: titled_window.exe TITLE RECORD-FILE [LOCK-NAME]\n");
    return 3;
  }
  if (argc == 4) {
    // Owner: the token's user; DACL: none, so anyone may open it.
    HANDLE token = nullptr;
    alignas(8) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    SECURITY_DESCRIPTOR descriptor;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ||
        !GetTokenInformation(token, TokenUser, user, sizeof user, &size) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, reinterpret_cast<TOKEN_USER*>(user)->User.Sid, FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
      return 1;
    }
    SECURITY_ATTRIBUTES security = {sizeof security, &descriptor, FALSE};
    if (CreateMutexW(&security, FALSE, argv[3]) == nullptr) return 1;
  }
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"TitledWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"TitledWindow", argv[1], WS_OVERLAPPEDWINDOW, 40, 40, 320, 120, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (got == 0) {
    FILE* record = _wfopen(argv[2], L"w");
    if (record != nullptr) {
      fputs("quit\n", record);
      fclose(record);
    }
  }
  return 0;
}
