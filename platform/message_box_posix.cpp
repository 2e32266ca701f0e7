// Console message boxes: the caption and text go to standard output and the answer comes from
// standard input, so the console edition can be driven by a script. Only POSIX calls belong here.
#include <stdio.h>
#include <string.h>

#include "platform/message_box.h"

int ShowMessage(WindowHandle, const char* text, const char* caption, unsigned style) {
  const bool question = (style & kMessageYesNo) != 0;
  printf("\n[%s]%s\n%s\n%s ", caption, (style & kMessageWarning) ? " (warning)" : "", text,
         question ? "Yes/No?" : "OK?");
  fflush(stdout);
  char answer[64];
  if (fgets(answer, sizeof answer, stdin) == nullptr) {
    printf("\n");
    return question ? kAnswerNo : kAnswerOk;
  }
  if (!question) return kAnswerOk;
  return (answer[0] == 'y' || answer[0] == 'Y') ? kAnswerYes : kAnswerNo;
}
