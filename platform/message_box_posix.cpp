// Console message boxes: the caption and text go to standard output and the answer comes from
// standard input, so the console edition can be driven by a script. Only POSIX calls belong here.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "platform/message_box.h"

namespace {

// Reads one answer line into `answer`, dropping whatever of a long line does not fit so that it
// cannot answer the next box. Returns false at end of input.
bool ReadAnswerLine(char* answer, size_t size) {
  if (fgets(answer, static_cast<int>(size), stdin) == nullptr) return false;
  if (strchr(answer, '\n') == nullptr) {
    int c;
    while ((c = getchar()) != EOF && c != '\n') {
    }
  }
  return true;
}

}  // namespace

int ShowMessage(WindowHandle, const char* text, const char* caption, unsigned style) {
  const bool question = (style & kMessageYesNo) != 0;
  printf("\n[%s]%s\n%s\n%s ", caption, (style & kMessageWarning) ? " (warning)" : "", text,
         question ? "Yes/No?" : "OK?");
  fflush(stdout);
  char answer[64];
  const bool answered = ReadAnswerLine(answer, sizeof answer);
  // A terminal echoes the answer; from a script, show it so the transcript reads as a dialogue.
  if (!answered || !isatty(STDIN_FILENO)) {
    printf("%.*s\n", answered ? static_cast<int>(strcspn(answer, "\n")) : 0, answer);
  }
  if (!answered) return question ? kAnswerNo : kAnswerOk;
  if (!question) return kAnswerOk;
  return (answer[0] == 'y' || answer[0] == 'Y') ? kAnswerYes : kAnswerNo;
}
