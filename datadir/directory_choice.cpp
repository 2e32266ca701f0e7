// What pressing OK in the directory dialog does with the text: create, refuse, or confirm.
#include <stdio.h>

#include "datadir/data_directory.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "product/installer_settings.h"

namespace {

const char kCannotCreateText[] =
    "That directory does not exist, and the application was not able to create it. Most likely "
    "the parent directory does not exist or you have entered a path the program does not have "
    "write access to.";
const char kFileNotDirectoryFormat[] =
    "That path specifies a file, and not a new or existing directory name. Please enter a "
    "directory name, such as %s for example.";
const char kExistingDirectoryText[] =
    "That directory already exists. The application can use it, but we do not recommend using a "
    "directory name that is already being used for other purposes. Are you sure you want to use "
    "this directory?";

// The fixed text around groupName, which the packaging tool bounds well below this.
enum { kMessageSize = 4096 };

}  // namespace

int ValidateDirectoryChoice(char* directory, size_t, WindowHandle owner) {
  bool isDirectory = false;
  if (QueryPath(directory, &isDirectory) != 0) {
    if (CreateDirectoryLevel(directory) == 0) return 1;
    ShowMessage(owner, kCannotCreateText, "Can't Create Directory", kMessageOk | kMessageWarning);
    return 0;
  }
  if (!isDirectory) {
    char text[kMessageSize];
    snprintf(text, sizeof text, kFileNotDirectoryFormat, InstallerSettings.groupName);
    ShowMessage(owner, text, "Please Enter a Directory Name", kMessageOk | kMessageWarning);
    return 0;
  }
  return ShowMessage(owner, kExistingDirectoryText, "Write Data to Existing Directory?", kMessageYesNo) ==
                 kAnswerYes
             ? 1
             : 0;
}
