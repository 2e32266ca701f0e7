// Tovalin's main window: a small real Win32 program that the installer installs, starts and closes.
// Only Win32 calls belong here; the console stand-in is tov32_posix.cpp.
#include <windows.h>

namespace {

// The installer finds running copies by this title prefix ("Tovalin") and posts WM_QUIT to
// them, so the title must begin with the product's appTitle exactly.
const char kWindowTitle[] = "Tovalin - Velbrook scheduler";
const char kWindowClass[] = "VelbrookTovalinMain";

const char kBodyText[] =
    "Tovalin 2.0\r\n"
    "Velbrook scheduler\r\n"
    "\r\n"
    "No tasks are scheduled.\r\n"
    "\r\n"
    "See help.htm in the program folder to learn how to plan tasks,\r\n"
    "set reminders and run Tovalin from your startup folder.";

/// Paints the fixed body text into the client area of window. Returns nothing; a failed
/// BeginPaint leaves the window unpainted until the next WM_PAINT.
void PaintBody(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc == nullptr) return;
  RECT area;
  GetClientRect(window, &area);
  InflateRect(&area, -16, -16);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, kBodyText, -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

/// Window procedure of the main window: paints the text and ends the message loop when the
/// window is destroyed (closed by the user or by WM_CLOSE from another program).
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintBody(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

/// Entry point: registers the class, shows the main window and runs a plain GetMessage loop.
/// Returns the WM_QUIT exit code (0 when closed), or 1 when the window cannot be created or the
/// message loop fails.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassA(&windowClass) == 0) return 1;

  HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 240, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  // WM_QUIT posted to the window by another program lands in this thread's queue, where
  // GetMessage returns 0 for it: the loop ends without the window being destroyed first, which
  // is exactly how the installer expects a running copy to go away.
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}
