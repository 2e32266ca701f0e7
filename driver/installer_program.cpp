// The prebuilt installer program: its options, its own product, then the installation, with
// windows or without. Compiled into the installer programs only.
#include "driver/command_line.h"
#include "product/exit_status.h"
#include "driver/installation.h"
#include "driver/program.h"
#include "platform/message_box.h"
#include "product/installer_data.h"

namespace {

// Shown by a program nobody has packaged a product into. The packaging tool recognises its
// programs, their version and their target, by the first part of this text.
const char kNoProductText[] =
    INSTALLER_PROGRAM_MARKER(INSTPACK_VERSION, INSTALLER_TARGET) " with no product in it. Package a product into "
    "it with instpack " INSTPACK_VERSION " to make an installer.";

// The refusal of a command line, naming the option refused, then every option.
const char kUnknownOptionFormat[] = "\"%s\" is not an option of this setup program.";
const char kBadDirectoryFormat[] =
    "\"%s\" does not name a directory as the last option: /D= takes the rest of the command line, "
    "which must be a full path, a drive letter, a colon and a backslash, then names that Windows "
    "allows, such as /D=C:\\Program Files\\Example.";
const char kOptionsText[] =
    "\n\nThe options are:\n\n"
    "/S  install without asking anything and without showing any window\n"
    "/D=directory  install into this directory; it comes last and takes the rest of the command "
    "line, spaces included\n"
    "/STARTUP  with /S: also add the program to the Startup group, where the product offers it\n\n"
    "Without options, the setup program asks what it needs.";

}  // namespace

int RunProgram(InstanceHandle instance, const char* arguments) {
  CommandLineOptions options;
  const CommandLineVerdict verdict =
      ParseCommandLine(arguments, kOptionSilent | kOptionStartup | kOptionDirectory, &options);
  if (verdict != CommandLineAccepted) {
    ShowRefusal(options, verdict == CommandLineBadDirectory ? kBadDirectoryFormat : kUnknownOptionFormat, kOptionsText);
    return ExitBadOptions;
  }

  InstallerDataStatus data = InstallerDataRead;
  if (!LoadProgramData(instance, &data)) {
    if (options.silent) return ExitDamaged;
    ShowMessage(nullptr, kNoProductText, "Nothing to Install", kMessageOk | kMessageWarning);
    return 0;
  }
  const char* preset = options.hasDirectory ? options.directory : nullptr;
  if (options.silent) return RunUnattendedInstallation(data, preset, options.startup);
  return RunInstallation(instance, data, preset);
}
