// What pressing OK in the directory dialog does with the text: create, refuse, or confirm.
#include <stdio.h>
#include <string.h>

#include "datadir/data_directory.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/windows_path.h"
#include "product/installer_settings.h"

namespace {

const char kCannotCreateDirectoryText[] =
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

void RefuseAsUncreatable(WindowHandle owner) {
  ShowMessage(owner, kCannotCreateDirectoryText, "Can't Create Directory", kMessageOk | kMessageWarning);
}

// Replaces a relative `directory` ("Tovalin", "D:Tovalin", "\Tovalin") with the full path it
// names from the current directory. Kept relative, it would be created here but stored,
// registered and started as typed, naming nothing from anywhere else. False when there is no
// full path that fits: a path cut short would name a different directory.
bool MakeFull(char* directory, size_t size) {
  if (!IsRelativePath(directory)) return true;
  char full[DataDirectorySize];
  if (!MakeFullPath(directory, full, size < sizeof full ? size : sizeof full)) return false;
  memcpy(directory, full, strlen(full) + 1);
  return true;
}

}  // namespace

int ValidateDirectoryChoice(char* directory, size_t size, WindowHandle owner) {
  if (!MakeFull(directory, size)) {
    RefuseAsUncreatable(owner);
    return 0;
  }
  bool isDirectory = false;
  if (QueryPath(directory, &isDirectory) != 0) {
    if (CreateDataDirectory(directory) == 0) return 1;
    RefuseAsUncreatable(owner);
    return 0;
  }
  if (!isDirectory) {
    char text[kMessageSize];
    snprintf(text, sizeof text, kFileNotDirectoryFormat, InstallerSettings.groupName);
    ShowMessage(owner, text, "Please Enter a Directory Name", kMessageOk | kMessageWarning);
    return 0;
  }
  if (RefusedAsOpenToOthers(directory, owner, true)) return 0;
  return ShowMessage(owner, kExistingDirectoryText, "Write Data to Existing Directory?", kMessageYesNo) ==
                 kAnswerYes
             ? 1
             : 0;
}
