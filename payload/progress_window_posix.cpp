// Console stand-in for the progress window and the verification window: the percentage as one line that is rewritten in
// place on a terminal, or as one plain line per update when the output is a file or a pipe (so
// scripts see every value). Only POSIX calls belong here.
#include <stdio.h>
#include <unistd.h>

#include "payload/progress_window.h"
#include "resources/template_texts.h"

namespace {

int consoleWindow;  // its address serves as the window handle

bool OnTerminal() { return isatty(fileno(stdout)) != 0; }

// Both windows: the caption and text, then the percentage line as the window shows it.

WindowHandle PrintWindow(const char* caption, const char* text) {
  printf("\n[%s]\n%s\n", caption, text);
  // On a terminal the initial text stays as the line that later updates overwrite; elsewhere
  // only real updates are printed.
  if (OnTerminal()) printf("%s", PROGRESS_WINDOW_INITIAL_PERCENT);
  fflush(stdout);
  return &consoleWindow;
}

}  // namespace

WindowHandle CreateProgressWindow(InstanceHandle) { return PrintWindow(PROGRESS_WINDOW_CAPTION, PROGRESS_WINDOW_TEXT); }

WindowHandle CreateVerificationWindow(InstanceHandle) {
  return PrintWindow(VERIFICATION_WINDOW_CAPTION, VERIFICATION_WINDOW_TEXT);
}

void SetProgressText(WindowHandle window, const char* text) {
  if (window == nullptr) return;
  // Padded so that a shorter text fully covers a longer one before it on the same line.
  if (OnTerminal()) {
    printf("\r%-24s", text);
  } else {
    printf("%s\n", text);
  }
  fflush(stdout);
}

void DestroyProgressWindow(WindowHandle window) {
  if (window == nullptr) return;
  if (OnTerminal()) printf("\n");
  fflush(stdout);
}
