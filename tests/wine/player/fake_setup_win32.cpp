// fake_setup.exe: a stand-in installer that shows the player the kinds of windows a real one
// does, so the player's own behaviour can be tested without an installer. Only Win32 calls belong here.
//
//   fake_setup.exe           a warning box, then a Yes/No question; Yes starts "fake_setup.exe app"
//   fake_setup.exe app       a plain window titled "Tovalin Fake" that runs until closed
// With a file named "hang" in its current directory it shows nothing and never ends.
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
  MessageBoxA(nullptr, "First box.", "Fake Notice", MB_OK | MB_ICONWARNING);
  if (MessageBoxA(nullptr, "Start it now?", "Fake Question", MB_YESNO) == IDYES) {
    char self[MAX_PATH + 8];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    strcat(self, " app");
    WinExec(self, SW_SHOW);
  }
  return 0;
}
