// Console stand-in for the directory dialog: the dialog's text and the proposed directory go to
// standard output and the user's line comes from standard input. Only POSIX calls belong here.
#include <stdio.h>
#include <string.h>

#include "datadir/directory_dialog.h"
#include "platform/console_line_posix.h"
#include "resources/template_texts.h"

int RunDirectoryDialog(InstanceHandle, WindowHandle owner, char* directory, size_t size, DirectoryCheck check) {
  // The edit box: it keeps the last text typed, like the window does after a refused OK, and is
  // read into `directory` whole, or, as the window does with a text too long for it, empty.
  char edit[4096];
  snprintf(edit, sizeof edit, "%s", directory);
  for (;;) {
    printf("\n[%s]\n%s\n%s\nPress Enter to accept, or type another directory: ", DIRECTORY_DIALOG_CAPTION,
           DIRECTORY_DIALOG_TEXT, edit);
    fflush(stdout);
    char line[sizeof edit];
    if (!ReadConsoleLine(line, sizeof line)) {
      printf("\n");
      return 0;
    }
    if (line[0] != '\0') memcpy(edit, line, strlen(line) + 1);
    const size_t length = strlen(edit);
    memcpy(directory, edit, length < size ? length + 1 : 1);
    if (length >= size) directory[0] = '\0';
    if (check(directory, size, owner)) return 1;
  }
}
