// Reading the user's answers in the console edition. Only POSIX calls belong here.
#include "platform/console_line_posix.h"

#include <stdio.h>
#include <string.h>

bool ReadConsoleLine(char* line, size_t size) {
  if (fgets(line, static_cast<int>(size), stdin) == nullptr) return false;
  size_t length = strlen(line);
  if (length > 0 && line[length - 1] == '\n') {
    line[--length] = '\0';
  } else {
    int ch;
    while ((ch = getchar()) != EOF && ch != '\n') {
    }
  }
  if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
  return true;
}
