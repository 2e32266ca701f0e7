// The prebuilt uninstaller program: its option, its own product (the settings and the names of
// the files the installer wrote), then the uninstallation. Compiled into the uninstaller
// programs only.
#include "driver/command_line.h"
#include "product/exit_status.h"
#include "driver/program.h"
#include "driver/uninstallation.h"
#include "platform/message_box.h"
#include "product/installer_data.h"

namespace {

// Shown by a program nobody has filled in. The packaging tool recognises its uninstaller
// programs, their version and their target, by the first part of this text.
const char kNoProductText[] =
    UNINSTALLER_PROGRAM_MARKER(INSTPACK_VERSION, INSTALLER_TARGET) " with no product in it. instpack "
    INSTPACK_VERSION " puts it, filled in, into an installer whose product brings no uninst.exe of its own.";

const char kUnknownOptionFormat[] = "\"%s\" is not an option of this uninstaller.";
const char kOptionsText[] =
    "\n\nIts one option is:\n\n"
    "/S  remove the application without asking anything and without showing any window\n\n"
    "Without it, the uninstaller asks once before it removes anything.";

}  // namespace

int RunProgram(InstanceHandle instance, const char* arguments) {
  CommandLineOptions options;
  if (ParseCommandLine(arguments, kOptionSilent | kOptionElevatedCopy, &options) != CommandLineAccepted) {
    ShowRefusal(options, kUnknownOptionFormat, kOptionsText);
    return ExitBadOptions;
  }
  InstallerDataStatus data = InstallerDataRead;
  if (!LoadProgramData(instance, &data)) {
    if (!options.silent) ShowMessage(nullptr, kNoProductText, "Nothing to Uninstall", kMessageOk | kMessageWarning);
    return ExitDamaged;
  }
  return RunUninstallation(data, options.silent, options.elevatedCopy);
}
