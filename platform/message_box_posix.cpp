// Console message boxes: the caption and text go to standard output and the answer comes from
// standard input, so the console edition can be driven by a script. Only POSIX calls belong here.
#include <stdio.h>
#include <unistd.h>

#include "platform/console_line_posix.h"
#include "platform/message_box.h"

int ShowMessage(WindowHandle, const char* text, const char* caption, unsigned style) {
  const bool question = (style & kMessageYesNo) != 0;
  printf("\n[%s]%s\n%s\n%s ", caption, (style & kMessageWarning) ? " (warning)" : "", text,
         question ? "Yes/No?" : "OK?");
  fflush(stdout);
  char answer[64];
  const bool answered = ReadConsoleLine(answer, sizeof answer);
  // A terminal echoes the answer; from a script, show it so the transcript reads as a dialogue.
  if (!answered || !isatty(STDIN_FILENO)) printf("%s\n", answered ? answer : "");
  if (!answered) return question ? kAnswerNo : kAnswerOk;
  if (!question) return kAnswerOk;
  return (answer[0] == 'y' || answer[0] == 'Y') ? kAnswerYes : kAnswerNo;
}
