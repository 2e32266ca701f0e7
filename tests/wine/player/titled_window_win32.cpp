// titled_window.exe: a stand-in for some other program's window, to see whom the installer asks
// to quit. Only Win32 calls belong here.
//
//   titled_window.exe <title> <record file>
//
// Opens a plain top-level window with exactly <title> and runs a message loop. When the loop
// ends on WM_QUIT it writes "quit" to <record file> and exits; closing the window or killing the
// program writes nothing, so the file exists only if a quit request arrived.
#include <windows.h>

#include <stdio.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // Closing is not quitting: end without the record, so the file means WM_QUIT and nothing else.
    ExitProcess(0);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: titled_window.exe TITLE RECORD-FILE\n");
    return 3;
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "TitledWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "TitledWindow", argv[1], WS_OVERLAPPEDWINDOW, 40, 40, 320, 120,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (got == 0) {
    FILE* record = fopen(argv[2], "w");
    if (record != nullptr) {
      fputs("quit\n", record);
      fclose(record);
    }
  }
  return 0;
}
