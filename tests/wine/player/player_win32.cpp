// player.exe: plays the user of an installer under Wine, following a list of steps, and logs
// every window it sees and every action it takes, one line per event. Only Win32 calls belong here.
//
//   player.exe --steps <file> [--timeout <seconds>] [--log <file>]
//
// The steps file, UTF-8, holds one step a line, the step's name and its argument separated by a
// tab. Every text is UTF-8 there and in the log, and UTF-16 towards Windows. It begins with what
// to start:
//   program <path>     the program, started with its quoted path as its command line and, after
//                      a space, the text of an arguments line
//   cwd <directory>    the directory it starts in
//   arguments <text>   its command line after its path (none without this line)
//   env <NAME=VALUE>   an environment variable it gets, set with the wide functions (any number)
//   token limited      it runs with the limited token linked to the player's (not elevated), as
//                      a standard user's program does; Wine starts every process elevated. The
//                      windows of copies of it that it starts (elevated, "runas") count as its own
//   keep shellwindows  the shell's folder windows left open by earlier runs stay open (they are
//                      closed before the program starts otherwise)
// then the steps:
//   ignore <caption>   windows with this caption are left alone unless a later expect names them
//   expect <caption>   wait for a visible top-level window of the program with this caption;
//                      it becomes the current window, and all its controls are logged
//   text <text>        the current window has a static control with exactly this text
//   textline <text>    the current window has a static control one of whose lines is exactly
//                      this (the log shows a line break in a text as \n)
//   button <label>     the current window has a button with this label ('&' ignored)
//   icon <none|shown>  the current window shows no icon, or one
//   edit <text>        the current window's first edit box holds exactly this text
//   type <text>        replace the text of the current window's first edit box
//   press <label>      press the current window's button with this label, then wait for the
//                      window to go away or to be disabled by a window over it
//   key Escape         press the Escape key in the current window (a key-down and key-up posted
//                      to the control that has the focus), then wait as after press
//   closebox           click the current window's Close box (WM_SYSCOMMAND SC_CLOSE), then wait
//                      as after press
//   screenshot <name>  print "screenshot <name>" and wait for one line on standard input (the
//                      driver takes the picture meanwhile)
//   appwindow <prefix> wait for a top-level window of another process whose title begins with
//                      <prefix> (a program the installer started) and log it; it is closed
//                      before the next step other than screenshot
//   noappwindow <prefix> no such window appears within two seconds
//   nowindow <caption> the program shows no visible window with this caption at this moment
//   shellwindow <title> a folder window of the shell with exactly this title is open, or opens
//                      within 20 seconds
//   nonewwindow        no visible top-level window of any process (the player's aside) that was
//                      not on screen when the program started is open, or opens within 10 seconds
//   click <caption>\t<label>  click the button with this label of the program's window with this
//                      caption, enabled or not, with the mouse (real input), and give the click a
//                      second to take effect; the current window stays as it was
//   end                wait for the program to exit
// Any other visible window of the program (but one expected earlier and still open) is
// unexpected: the run fails, and that window and every later one is answered safely (Cancel, else
// No, else OK, else closed) so the program still ends.
// When the time limit passes the program is killed. Exit code: 0 pass, 1 fail, 2 time-out,
// 3 usage or start-up error.
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wctype.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Step {
  std::string name;
  std::string argument;
};

struct Control {
  HWND window;
  std::string kind;  // "static", "icon", "button", "edit" or the window class
  std::string text;
  int id;
};

FILE* logFile = nullptr;
PROCESS_INFORMATION program = {};
DWORD deadline = 0;
bool failed = false;
bool timedOut = false;
std::vector<std::string> ignoredCaptions;
std::vector<HWND> answeredWindows;  // windows answered safely, not to be answered twice
// Windows the steps have expected: one that stays open under a later one (a dialog under its
// message box, the progress window under the notice) is not a new, unexpected window.
std::vector<HWND> expectedWindows;

// Writes one event line to standard output and to the log file, if any.
void Log(const char* format, ...) {
  char line[8192];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  fprintf(stdout, "%s\n", line);
  fflush(stdout);
  if (logFile != nullptr) {
    fprintf(logFile, "%s\n", line);
    fflush(logFile);
  }
}

void Fail(const char* why) {
  if (!failed) Log("FAIL %s", why);
  failed = true;
}

bool TimeIsUp() {
  if (static_cast<LONG>(GetTickCount() - deadline) < 0) return false;
  if (!timedOut) Log("FAIL time limit reached");
  timedOut = true;
  failed = true;
  return true;
}

bool ProgramHasEnded() { return WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0; }

// `text` on one line of the log: its line breaks written as \n.
std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      line += "\\n";
    } else {
      line += text[i];
    }
  }
  return line;
}

// True when one of the lines of `text` is exactly `line` (a carriage return before a line feed
// is not part of the line).
bool HasLine(const std::string& text, const std::string& line) {
  size_t begin = 0;
  for (;;) {
    size_t end = text.find('\n', begin);
    std::string candidate = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (!candidate.empty() && candidate.back() == '\r') candidate.pop_back();
    if (candidate == line) return true;
    if (end == std::string::npos) return false;
    begin = end + 1;
  }
}

// UTF-8 of the `length` wide characters at `wide`, and back.
std::string Utf8(const wchar_t* wide, int length) {
  if (length <= 0) return std::string();
  std::string narrow(static_cast<size_t>(length) * 3, '\0');
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                       nullptr);
  narrow.resize(size > 0 ? size : 0);
  return narrow;
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length - 1 : 0);
  return wide;
}

// The window's own text, read without sending it a message: the installer runs no message loop
// of its own while its progress window is up, so a sent WM_GETTEXT could block.
std::string WindowText(HWND window) {
  wchar_t wide[4096];
  int length = InternalGetWindowText(window, wide, 4096);
  if (length <= 0) return std::string();
  return Utf8(wide, length);
}

// An edit control keeps its text itself, so it has to be asked; the time-out guards against a
// target that is not serving messages.
std::string EditText(HWND edit) {
  wchar_t text[4096] = L"";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(edit, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return std::string("<no answer>");
  }
  return Utf8(text, static_cast<int>(copied));
}

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string WithoutAccelerators(const std::string& label) {
  std::string plain;
  for (char c : label)
    if (c != '&') plain += c;
  return plain;
}

BOOL CALLBACK AddControl(HWND child, LPARAM list) {
  // Hidden controls (a message box's unused icon, for one) are not part of what the user sees.
  if (!IsWindowVisible(child)) return TRUE;
  Control control = {child, ClassOf(child), std::string(), GetDlgCtrlID(child)};
  if (_stricmp(control.kind.c_str(), "Static") == 0) {
    LONG style = GetWindowLongA(child, GWL_STYLE);
    control.kind = ((style & SS_TYPEMASK) == SS_ICON) ? "icon" : "static";
    if (control.kind == "icon") {
      // A message box without an icon may still keep an empty icon control.
      DWORD_PTR icon = 0;
      SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
      if (icon == 0) return TRUE;
    }
    control.text = WindowText(child);
  } else if (_stricmp(control.kind.c_str(), "Button") == 0) {
    control.kind = "button";
    control.text = WindowText(child);
  } else if (_stricmp(control.kind.c_str(), "Edit") == 0) {
    control.kind = "edit";
    control.text = EditText(child);
  } else {
    control.text = WindowText(child);
  }
  reinterpret_cast<std::vector<Control>*>(list)->push_back(control);
  return TRUE;
}

std::vector<Control> ControlsOf(HWND window) {
  std::vector<Control> controls;
  EnumChildWindows(window, AddControl, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

struct WindowSearch {
  std::vector<DWORD> processes;
  std::vector<HWND> found;
};

BOOL CALLBACK AddProgramWindow(HWND window, LPARAM search) {
  WindowSearch* s = reinterpret_cast<WindowSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  bool ours = false;
  for (DWORD process : s->processes) ours = ours || owner == process;
  if (ours && IsWindowVisible(window)) s->found.push_back(window);
  return TRUE;
}

std::wstring programFileName;  // the started program's file name, lower case
bool followCopies = false;      // its copies' windows are its own (it runs with the limited token)

// The started program and, when it runs with the limited token, the copies of it that it started
// and theirs in turn, that run now: the copy it starts elevated (the "runas" verb) shows its
// windows for it. Other programs it starts (the product, after "Yes"), and copies that stand for
// another program (fake_setup.exe playing the product), show windows of their own.
std::vector<DWORD> ProgramProcesses() {
  std::vector<DWORD> processes = {program.dwProcessId};
  if (!followCopies) return processes;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return processes;
  std::vector<PROCESSENTRY32W> all;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) all.push_back(entry);
  CloseHandle(snapshot);
  for (size_t i = 0; i < processes.size(); ++i) {
    for (const PROCESSENTRY32W& p : all) {
      std::wstring name = p.szExeFile;
      for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
      bool known = false;
      for (DWORD process : processes) known = known || process == p.th32ProcessID;
      if (p.th32ParentProcessID == processes[i] && !known && name == programFileName) processes.push_back(p.th32ProcessID);
    }
  }
  return processes;
}

// The program's visible top-level windows, topmost first.
std::vector<HWND> ProgramWindows() {
  WindowSearch search = {ProgramProcesses(), {}};
  EnumWindows(AddProgramWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsIgnored(const std::string& caption) {
  for (const std::string& ignored : ignoredCaptions)
    if (ignored == caption) return true;
  return false;
}

void LogWindow(HWND window) {
  Log("window %s \"%s\"", ClassOf(window).c_str(), WindowText(window).c_str());
  for (const Control& c : ControlsOf(window)) {
    if (c.kind == "icon") {
      Log("  icon");
    } else if (c.kind == "button" || c.kind == "edit") {
      Log("  %s %d \"%s\"", c.kind.c_str(), c.id, c.text.c_str());
    } else {
      Log("  %s \"%s\"", c.kind.c_str(), OneLine(c.text).c_str());
    }
  }
}

// Presses a button the way a click would reach the dialog: as its BN_CLICKED notification.
void PressButton(HWND window, const Control& button) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button.window));
}

const Control* FindButton(const std::vector<Control>& controls, const std::string& label) {
  for (const Control& c : controls)
    if (c.kind == "button" && WithoutAccelerators(c.text) == label) return &c;
  return nullptr;
}

// Answers a window that the steps did not ask for with the least harmful choice it offers.
void AnswerSafely(HWND window) {
  for (HWND done : answeredWindows)
    if (done == window) return;
  answeredWindows.push_back(window);
  std::vector<Control> controls = ControlsOf(window);
  for (const char* label : {"Cancel", "No", "OK"}) {
    if (const Control* button = FindButton(controls, label)) {
      Log("answer \"%s\" with \"%s\"", WindowText(window).c_str(), label);
      PressButton(window, *button);
      return;
    }
  }
  Log("answer \"%s\" by closing it", WindowText(window).c_str());
  PostMessageA(window, WM_CLOSE, 0, 0);
}

// Looks at the program's windows once: returns the first one captioned `wanted` that is enabled,
// logging and answering safely any window that is neither wanted nor ignored. With `wanted`
// empty, every window that is not ignored is unexpected.
HWND LookOnce(const std::string& wanted) {
  for (HWND window : ProgramWindows()) {
    std::string caption = WindowText(window);
    if (!wanted.empty() && caption == wanted) {
      if (IsWindowEnabled(window)) return window;
      continue;  // a window over it comes first
    }
    if (IsIgnored(caption)) continue;
    if (!IsWindowEnabled(window)) continue;  // an owner under a modal window
    bool known = false;
    for (HWND done : answeredWindows) known = known || done == window;
    for (HWND seen : expectedWindows) known = known || seen == window;
    if (known) continue;
    LogWindow(window);
    Log("unexpected window \"%s\"", caption.c_str());
    Fail("unexpected window");
    AnswerSafely(window);
  }
  return nullptr;
}

// What the window shows, as one text: every visible control's kind and text.
std::string ControlsSeen(HWND window) {
  std::string seen;
  for (const Control& c : ControlsOf(window)) seen += c.kind + ":" + c.text + "\n";
  return seen;
}

// Waits (at most two seconds) until the window's controls read the same twice in a row, so that
// a dialog still being laid out is not read half built, however slowly the program runs.
void WaitUntilSettled(HWND window) {
  std::string before = ControlsSeen(window);
  for (int polls = 0; polls < 40; ++polls) {
    Sleep(50);
    std::string now = ControlsSeen(window);
    if (now == before && !now.empty()) return;
    before = now;
  }
}

// Waits for the program's window captioned `caption`; null when the program ends or time is up.
HWND WaitForWindow(const std::string& caption) {
  while (!TimeIsUp()) {
    HWND window = LookOnce(caption);
    if (failed) return nullptr;
    if (window != nullptr) {
      WaitUntilSettled(window);
      return window;
    }
    if (ProgramHasEnded()) return nullptr;
    Sleep(100);
  }
  return nullptr;
}

// True when the program shows a window that no step has met yet and that is not ignored: the
// answer to a press, even when it has no owner and so leaves the pressed window enabled.
bool NewWindowShown() {
  for (HWND shown : ProgramWindows()) {
    if (!IsWindowEnabled(shown) || IsIgnored(WindowText(shown))) continue;
    bool known = false;
    for (HWND seen : expectedWindows) known = known || seen == shown;
    for (HWND done : answeredWindows) known = known || done == shown;
    if (!known) return true;
  }
  return false;
}

void WaitForWindowToLeave(HWND window) {
  DWORD until = GetTickCount() + 3000;
  while (static_cast<LONG>(GetTickCount() - until) < 0 && !TimeIsUp()) {
    if (!IsWindow(window) || !IsWindowVisible(window) || !IsWindowEnabled(window)) return;
    if (ProgramHasEnded() || NewWindowShown()) return;
    Sleep(50);
  }
}

HWND appWindow = nullptr;  // the started program's window, open until the next step

struct AppSearch {
  std::string prefix;
  HWND found;
};

BOOL CALLBACK FindAppWindow(HWND window, LPARAM search) {
  AppSearch* s = reinterpret_cast<AppSearch*>(search);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == program.dwProcessId || owner == GetCurrentProcessId()) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  if (WindowText(window).compare(0, s->prefix.size(), s->prefix) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

// Ends the program that owns appWindow, if any, so that nothing outlives the scenario.
void CloseAppWindow() {
  if (appWindow == nullptr) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(appWindow, &processId);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  PostMessageA(appWindow, WM_CLOSE, 0, 0);
  appWindow = nullptr;
  if (process == nullptr) return;
  if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) {
    Log("  program did not close; ended");
    TerminateProcess(process, 1);
  } else {
    Log("  program closed");
  }
  CloseHandle(process);
}

// Waits up to `milliseconds` for a window of a program the installer started whose title begins
// with `prefix`; null if none appears.
HWND FindAppWindowWithin(const std::string& prefix, DWORD milliseconds) {
  DWORD until = GetTickCount() + milliseconds;
  AppSearch search = {prefix, nullptr};
  while (!TimeIsUp()) {
    LookOnce(std::string());
    EnumWindows(FindAppWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) break;
    if (milliseconds != INFINITE && static_cast<LONG>(GetTickCount() - until) >= 0) break;
    Sleep(100);
  }
  return search.found;
}

// Logs a started program's window and the file that program runs from.
void LogAppWindow(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  Log("program window %s \"%s\"", ClassOf(window).c_str(), WindowText(window).c_str());
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return;
  wchar_t image[MAX_PATH] = L"";
  DWORD size = MAX_PATH;
  if (QueryFullProcessImageNameW(process, 0, image, &size)) Log("  program \"%s\"", Utf8(image, static_cast<int>(size)).c_str());
  CloseHandle(process);
}

// Every visible top-level window on screen but the player's own.
BOOL CALLBACK AddVisibleWindow(HWND window, LPARAM list) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (IsWindowVisible(window) && process != GetCurrentProcessId())
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindows() {
  std::vector<HWND> found;
  EnumWindows(AddVisibleWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The shell's folder windows on screen: Wine's shell opens one for each group the installer
// shows over DDE, often only after the installer has ended. Those left from earlier runs are
// closed before the program starts, so that they neither appear in pictures nor take the quit
// requests meant for running copies (their titles are group names such as "Tovalin").
std::vector<HWND> ShellWindows() {
  std::vector<HWND> found;
  for (HWND window : VisibleWindows()) {
    const std::string kind = ClassOf(window);
    if (kind == "ExplorerWClass" || kind == "CabinetWClass") found.push_back(window);
  }
  return found;
}

// The windows on screen as the program started, which "nonewwindow" compares against.
std::vector<HWND> windowsAtStart;

void CloseShellWindows() {
  std::vector<HWND> open = ShellWindows();
  for (HWND window : open) {
    Log("shell window \"%s\" closed", WindowText(window).c_str());
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  for (int waited = 0; waited < 20 && !ShellWindows().empty(); ++waited) Sleep(50);
}

// Clicks `button` of `window` with the mouse, as a user would: real input, which Windows hands to
// whatever takes input at that point. A window disabled under a message box takes none, so this is
// how a step shows that the window refuses input (a posted WM_COMMAND, as press sends, would
// reach even a disabled window). Returns false when another window of the program covers the
// button, since the click would then land on that window instead.
bool ClickButton(HWND window, const Control& button) {
  RECT area;
  GetWindowRect(button.window, &area);
  const POINT at = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  for (HWND above : ProgramWindows()) {  // topmost first: those before `window` lie over it
    if (above == window) break;
    RECT cover;
    if (GetWindowRect(above, &cover) && PtInRect(&cover, at)) {
      Log("click: \"%s\" covers the button", WindowText(above).c_str());
      return false;
    }
  }
  Log("click \"%s\" (id %d) of %s \"%s\" at %ld,%ld", WithoutAccelerators(button.text).c_str(), button.id,
      IsWindowEnabled(window) ? "enabled" : "disabled", WindowText(window).c_str(), at.x, at.y);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input[3] = {};
  for (INPUT& event : input) event.type = INPUT_MOUSE;
  input[0].mi.dx = at.x * 65535 / (width - 1);
  input[0].mi.dy = at.y * 65535 / (height - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (SendInput(3, input, sizeof(INPUT)) != 3) return Log("click: SendInput failed"), false;
  // A thread takes its posted messages before its input, so a press posted right away would
  // overtake the click: the click gets time to be taken or refused first.
  Sleep(1000);
  Log("  %s", IsWindowVisible(window) ? "window still shown" : "window gone");
  return true;
}

// Checks and acts on the current window. Returns false when the step failed.
bool RunWindowStep(HWND window, const Step& step) {
  std::vector<Control> controls = ControlsOf(window);
  if (step.name == "text") {
    for (const Control& c : controls)
      if (c.kind == "static" && c.text == step.argument) return Log("text ok"), true;
    Log("text not found: \"%s\"", step.argument.c_str());
    return false;
  }
  if (step.name == "textline") {
    for (const Control& c : controls)
      if (c.kind == "static" && HasLine(c.text, step.argument)) return Log("text line ok"), true;
    Log("text line not found: \"%s\"", step.argument.c_str());
    return false;
  }
  if (step.name == "button") {
    if (FindButton(controls, step.argument) != nullptr) return Log("button \"%s\" ok", step.argument.c_str()), true;
    Log("button not found: \"%s\"", step.argument.c_str());
    return false;
  }
  if (step.name == "icon") {
    bool shown = false;
    for (const Control& c : controls) shown = shown || c.kind == "icon";
    if (step.argument == (shown ? "shown" : "none")) return Log("icon %s ok", step.argument.c_str()), true;
    Log("icon differs: %s", shown ? "shown" : "none");
    return false;
  }
  const Control* edit = nullptr;
  for (const Control& c : controls)
    if (edit == nullptr && c.kind == "edit") edit = &c;
  if (step.name == "edit") {
    if (edit != nullptr && edit->text == step.argument) return Log("edit ok"), true;
    Log("edit differs: \"%s\"", edit != nullptr ? edit->text.c_str() : "<no edit box>");
    return false;
  }
  if (step.name == "type") {
    if (edit == nullptr) return Log("no edit box to type into"), false;
    Log("type \"%s\"", step.argument.c_str());
    DWORD_PTR ignored = 0;
    const std::wstring text = Wide(step.argument);
    SendMessageTimeoutW(edit->window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return true;
  }
  if (step.name == "press") {
    const Control* button = FindButton(controls, step.argument);
    if (button == nullptr) return Log("button not found: \"%s\"", step.argument.c_str()), false;
    Log("press \"%s\" (id %d)", step.argument.c_str(), button->id);
    PressButton(window, *button);
    WaitForWindowToLeave(window);
    return true;
  }
  if (step.name == "key") {
    if (step.argument != "Escape") return Log("unknown key \"%s\"", step.argument.c_str()), false;
    // The dialog's own loop turns Escape into IDCANCEL, but only for a key that reaches one of
    // its controls, as a real key press reaches the focused one.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus != nullptr)
      target = thread.hwndFocus;
    Log("key Escape (to %s \"%s\")", ClassOf(target).c_str(), WindowText(target).c_str());
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    WaitForWindowToLeave(window);
    return true;
  }
  if (step.name == "closebox") {
    Log("closebox");
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitForWindowToLeave(window);
    return true;
  }
  Log("unknown step \"%s\"", step.name.c_str());
  return false;
}

void TakeScreenshot(const std::string& name) {
  // The shell opens a folder window for the group the installer shows, at a moment of its own
  // choosing; it would cover the installer's windows in the picture.
  CloseShellWindows();
  Log("screenshot %s", name.c_str());
  char answer[64];
  // The driver answers once the picture is taken; without a driver standard input is at its end.
  if (fgets(answer, sizeof answer, stdin) == nullptr) return;
}

bool ReadSteps(const char* path, std::vector<Step>* steps) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  char line[8192];
  while (fgets(line, sizeof line, file) != nullptr) {
    size_t length = strcspn(line, "\r\n");
    line[length] = '\0';
    if (length == 0) continue;
    const char* tab = strchr(line, '\t');
    Step step;
    step.name = tab != nullptr ? std::string(line, tab - line) : std::string(line);
    step.argument = tab != nullptr ? std::string(tab + 1) : std::string();
    steps->push_back(step);
  }
  fclose(file);
  return true;
}

// Answers every window not yet answered safely, as unexpected, until the program ends or time is up.
void Drain() {
  while (!ProgramHasEnded() && !TimeIsUp()) {
    for (HWND window : ProgramWindows()) {
      std::string caption = WindowText(window);
      if (IsIgnored(caption) || !IsWindowEnabled(window)) continue;
      bool known = false;
      for (HWND done : answeredWindows) known = known || done == window;
      if (known) continue;
      LogWindow(window);
      Log("unexpected window \"%s\"", caption.c_str());
      Fail("unexpected window");
      AnswerSafely(window);
    }
    Sleep(100);
  }
}

int Usage() {
  fprintf(stderr, "usage: player.exe --steps FILE [--timeout SECONDS] [--log FILE]\n");
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  const char* stepsPath = nullptr;
  int timeoutSeconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--steps") == 0 && i + 1 < argc) {
      stepsPath = argv[++i];
    } else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutSeconds = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
      logFile = fopen(argv[++i], "w");
    } else {
      return Usage();
    }
  }
  if (stepsPath == nullptr) return Usage();
  std::vector<Step> steps;
  if (!ReadSteps(stepsPath, &steps)) {
    fprintf(stderr, "player: cannot read %s\n", stepsPath);
    return 3;
  }
  // What to start comes first; names that expect a window take it off the ignore list, so scan
  // for ignores first too.
  std::string programPath, directory, arguments;
  bool haveArguments = false;
  bool limited = false;
  bool keepShellWindows = false;
  for (const Step& step : steps) {
    if (step.name == "keep") keepShellWindows = step.argument == "shellwindows";
    if (step.name == "ignore") ignoredCaptions.push_back(step.argument);
    if (step.name == "program") programPath = step.argument;
    if (step.name == "cwd") directory = step.argument;
    if (step.name == "arguments") arguments = step.argument, haveArguments = true;
    if (step.name == "token") limited = step.argument == "limited";
    if (step.name == "env") {
      const size_t equals = step.argument.find('=');
      if (equals == std::string::npos) return Usage();
      SetEnvironmentVariableW(Wide(step.argument.substr(0, equals)).c_str(), Wide(step.argument.substr(equals + 1)).c_str());
      Log("environment %s", step.argument.c_str());
    }
  }
  if (programPath.empty() || directory.empty()) return Usage();
  followCopies = limited;
  programFileName = Wide(programPath.substr(programPath.find_last_of("\\/") + 1));
  for (wchar_t& c : programFileName) c = static_cast<wchar_t>(towlower(c));

  if (!keepShellWindows) CloseShellWindows();
  windowsAtStart = VisibleWindows();
  std::string commandLine = "\"" + programPath + "\"";
  if (haveArguments) commandLine += " " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  Log("start \"%s\" in \"%s\"", programPath.c_str(), directory.c_str());
  if (haveArguments) Log("  command line %s", commandLine.c_str());
  std::wstring wideCommandLine = Wide(commandLine);
  // The limited token linked to the player's own elevated one: what a program started by an
  // administrator without elevation, or by a standard user, runs with.
  HANDLE token = nullptr;
  if (limited) {
    HANDLE own = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) ||
        !GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
      Log("FAIL no limited token (error %lu)", GetLastError());
      return 3;
    }
    CloseHandle(own);
    token = linked.LinkedToken;
    Log("  with the limited token");
  }
  const BOOL started =
      token != nullptr
          ? CreateProcessAsUserW(token, Wide(programPath).c_str(), &wideCommandLine[0], nullptr, nullptr, FALSE, 0,
                                 nullptr, Wide(directory).c_str(), &startup, &program)
          : CreateProcessW(Wide(programPath).c_str(), &wideCommandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                           Wide(directory).c_str(), &startup, &program);
  if (!started) {
    Log("FAIL cannot start the program (error %lu)", GetLastError());
    return 3;
  }
  deadline = GetTickCount() + static_cast<DWORD>(timeoutSeconds) * 1000;

  HWND current = nullptr;
  for (const Step& step : steps) {
    if (failed) break;
    if (step.name == "ignore" || step.name == "program" || step.name == "cwd" || step.name == "arguments" ||
        step.name == "env" || step.name == "token" || step.name == "keep") {
      continue;
    }
    if (step.name != "screenshot") CloseAppWindow();
    if (step.name == "expect") {
      current = WaitForWindow(step.argument);
      if (current == nullptr) {
        if (!failed) Log("FAIL program ended before window \"%s\" appeared", step.argument.c_str());
        failed = true;
        break;
      }
      LogWindow(current);
      expectedWindows.push_back(current);
    } else if (step.name == "screenshot") {
      TakeScreenshot(step.argument);
    } else if (step.name == "appwindow") {
      appWindow = FindAppWindowWithin(step.argument, INFINITE);
      if (appWindow == nullptr) {
        Fail("no window of a started program appeared");
      } else {
        LogAppWindow(appWindow);
      }
    } else if (step.name == "noappwindow") {
      // A started program's window takes a moment to appear; two seconds is ample under Wine.
      appWindow = FindAppWindowWithin(step.argument, 2000);
      if (appWindow != nullptr) {
        LogAppWindow(appWindow);
        Fail("a program was started");
      } else {
        Log("no program window \"%s\"", step.argument.c_str());
      }
    } else if (step.name == "click") {
      const size_t tab = step.argument.find('\t');
      const std::string caption = step.argument.substr(0, tab);
      const std::string label = tab == std::string::npos ? std::string() : step.argument.substr(tab + 1);
      HWND target = nullptr;
      for (HWND window : ProgramWindows())
        if (target == nullptr && WindowText(window) == caption) target = window;
      const Control* button = nullptr;
      std::vector<Control> controls;
      if (target != nullptr) controls = ControlsOf(target);
      if (target != nullptr) button = FindButton(controls, label);
      if (button == nullptr) {
        Log("click: no button \"%s\" in a window \"%s\"", label.c_str(), caption.c_str());
        Fail("step failed");
      } else if (!ClickButton(target, *button)) {
        Fail("step failed");
      }
    } else if (step.name == "nowindow") {
      bool shown = false;
      for (HWND window : ProgramWindows()) shown = shown || WindowText(window) == step.argument;
      if (shown) {
        Log("window \"%s\" is still on screen", step.argument.c_str());
        Fail("a window that should be gone is shown");
      } else {
        Log("no window \"%s\"", step.argument.c_str());
      }
    } else if (step.name == "shellwindow") {
      bool open = false;
      for (int waited = 0; !open && waited <= 200 && !TimeIsUp(); ++waited) {
        for (HWND window : ShellWindows()) open = open || WindowText(window) == step.argument;
        if (!open) Sleep(100);
      }
      if (open) {
        Log("shell window \"%s\" open", step.argument.c_str());
      } else {
        Fail("the shell's folder window is not open");
      }
    } else if (step.name == "nonewwindow") {
      std::vector<HWND> reported;
      for (int waited = 0; waited <= 100 && !TimeIsUp(); ++waited) {
        for (HWND window : VisibleWindows()) {
          if (std::find(windowsAtStart.begin(), windowsAtStart.end(), window) != windowsAtStart.end() ||
              std::find(reported.begin(), reported.end(), window) != reported.end()) {
            continue;
          }
          reported.push_back(window);
          Log("new window \"%s\" (class %s)", WindowText(window).c_str(), ClassOf(window).c_str());
        }
        Sleep(100);
      }
      if (reported.empty()) {
        Log("no new window");
      } else {
        Fail("a window opened during the run");
      }
    } else if (step.name == "end") {
      while (!ProgramHasEnded() && !TimeIsUp()) {
        LookOnce(std::string());
        Sleep(100);
      }
    } else if (current == nullptr) {
      Log("FAIL step \"%s\" before any expect", step.name.c_str());
      failed = true;
    } else if (!RunWindowStep(current, step)) {
      Fail("step failed");
    }
  }
  CloseAppWindow();
  // Whatever the steps left to happen counts as unexpected; the program still has to end.
  Drain();
  if (!ProgramHasEnded()) {
    Log("program killed");
    TerminateProcess(program.hProcess, 1);
    WaitForSingleObject(program.hProcess, 5000);
  } else {
    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    Log("program exited with code %lu", code);
  }
  Log(timedOut ? "RESULT timeout" : failed ? "RESULT fail" : "RESULT pass");
  return timedOut ? 2 : failed ? 1 : 0;
}
