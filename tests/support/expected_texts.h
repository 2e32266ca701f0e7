// Every text the installer shows, written out as the tests expect to read it. Tests take their
// texts from this list, never from the product, so that a text changed in the product fails a
// test instead of changing with it.
#pragma once
#include <string>

namespace expected {

// ---- captions -----------------------------------------------------------------------------

const char kNotInstalledCaption[] = "Application Not Installed";
const char kSuccessCaption[] = "Installation Successful";
const char kCouldNotAccessCaption[] = "Couldn't Access Directory";
const char kShuttingDownCaption[] = "Shutting Down";
const char kCannotCreateDirectoryCaption[] = "Can't Create Directory";
const char kFileNotDirectoryCaption[] = "Please Enter a Directory Name";
const char kExistingDirectoryCaption[] = "Write Data to Existing Directory?";
const char kClosingCopiesCaption[] = "Closing Running Copies";
const char kStartupCaption[] = "Add To Startup Group";

/// "<appTitle> Installation Failed".
inline std::string FailedCaption(const std::string& appTitle) { return appTitle + " Installation Failed"; }

// ---- the installation's outcomes --------------------------------------------------------------

// The missing space after "time." belongs to the text.
const char kNotInstalledText[] =
    "The application will not be installed at this time.If you decide to install the application "
    "later, just launch this program again to complete the installation process.";
const char kCannotCreateFileText[] =
    "The application was not able to create one of its component files. The disk is full, or a "
    "copy of the application is already running, or you do not have write access to the "
    "directory in which you are attempting to install the application. Check your available disk "
    "space and run the setup program again.";
const char kWriteFailedText[] =
    "The application was unable to finish writing a file to disk. Your hard drive is probably "
    "full. Check your available disk space, make additional space available, and run the setup "
    "program again.";
const char kNoMemoryText[] =
    "Insufficient memory was available for the setup procedure. Close other applications and run "
    "the setup program again.";
const char kDamagedText[] =
    "This setup program is damaged and cannot install the application. Please obtain a new copy "
    "of the setup program and run it again.";

/// The final question, with `appTitle` twice; the missing space after "system." belongs to it.
inline std::string SuccessQuestion(const std::string& appTitle) {
  return appTitle + " has been successfully installed on your system.Would you like to start " + appTitle + " now?";
}

// ---- the data directory ---------------------------------------------------------------------

const char kCouldNotAccessText[] =
    "That directory does not exist and could not be created. Please enter a valid location for a "
    "directory on your system.";
const char kShuttingDownText[] =
    "This program cannot operate without a data directory to store its files in. The program "
    "will exit now. Please determine an appropriate directory name and start the program again "
    "later.";
const char kCannotCreateDirectoryText[] =
    "That directory does not exist, and the application was not able to create it. Most likely "
    "the parent directory does not exist or you have entered a path the program does not have "
    "write access to.";
const char kExistingDirectoryText[] =
    "That directory already exists. The application can use it, but we do not recommend using a "
    "directory name that is already being used for other purposes. Are you sure you want to use "
    "this directory?";

/// The refusal of a file, naming `groupName` as the example.
inline std::string FileNotDirectoryText(const std::string& groupName) {
  return "That path specifies a file, and not a new or existing directory name. Please enter a "
         "directory name, such as " + groupName + " for example.";
}

// ---- the progress window and the running copies -------------------------------------------------

const char kInitialPercentText[] = "Percent Complete:   0%";

/// The window's line after an update: one space after the colon, unlike the initial text.
inline std::string PercentText(int percent) { return "Percent Complete: " + std::to_string(percent) + "%"; }

/// The notice before running copies are asked to quit.
inline std::string ClosingCopiesText(const std::string& appTitle) {
  return "Any copies of " + appTitle + " currently running must now be shut down. This may take a few seconds.";
}

}  // namespace expected
