// The programs' command lines as Windows hands them over, program name first: what each accepts,
// what it refuses, and whether a refusal stays silent.
#include "driver/command_line.h"

#include <gtest/gtest.h>

namespace {

const unsigned kInstaller = kOptionSilent | kOptionStartup | kOptionDirectory;
const unsigned kUninstaller = kOptionSilent | kOptionElevatedCopy;

// The longest directory DataDirectory holds, and one character more.
const std::string kLongest = "C:\\" + std::string(DataDirectorySize - 4, 'd');
const std::string kLongestLine = "setup.exe /D=" + kLongest;
const std::string kTooLongLine = kLongestLine + "d";

struct Case {
  const char* commandLine;
  unsigned accepted;
  CommandLineVerdict verdict;
  bool silent;
  bool startup;
  const char* directory;  // null: no /D= taken
  const char* refused;    // the option named in the refusal; null: not checked
};

const Case kCases[] = {
    // No options: the program's name alone, however Windows quotes it.
    {"setup.exe", kInstaller, CommandLineAccepted, false, false, nullptr, ""},
    {"\"C:\\Program Files\\x\\setup.exe\"", kInstaller, CommandLineAccepted, false, false, nullptr, ""},
    {"\"C:\\Program Files\\x\\setup.exe\"   \t", kInstaller, CommandLineAccepted, false, false, nullptr, ""},
    {"\"C:\\a b\\setup.exe\"/S", kInstaller, CommandLineAccepted, true, false, nullptr, ""},
    // The options, in any case, each alone or quoted as a whole.
    {"setup.exe /S", kInstaller, CommandLineAccepted, true, false, nullptr, ""},
    {"setup.exe /s /startup", kInstaller, CommandLineAccepted, true, true, nullptr, ""},
    {"setup.exe \"/S\"\t\"/STARTUP\"", kInstaller, CommandLineAccepted, true, true, nullptr, ""},
    {"setup.exe /STARTUP", kInstaller, CommandLineAccepted, false, true, nullptr, ""},
    // /D= takes the rest of the line, spaces included, blanks at its end dropped.
    {"setup.exe /S /D=C:\\Program Files\\Tovalin Test", kInstaller, CommandLineAccepted, true, false,
     "C:\\Program Files\\Tovalin Test", ""},
    {"setup.exe /S /d=D:/data//x  \t", kInstaller, CommandLineAccepted, true, false, "D:/data//x", ""},
    {"setup.exe /D=C:\\", kInstaller, CommandLineAccepted, false, false, "C:\\", ""},
    {"setup.exe /D=C:\\Tovalin\\", kInstaller, CommandLineAccepted, false, false, "C:\\Tovalin\\", ""},
    {"setup.exe /S \"/D=C:\\Program Files\\Tovalin\"  ", kInstaller, CommandLineAccepted, true, false,
     "C:\\Program Files\\Tovalin", ""},
    {"setup.exe /D=C:\\.profile\\x", kInstaller, CommandLineAccepted, false, false, "C:\\.profile\\x", ""},
    {kLongestLine.c_str(), kInstaller, CommandLineAccepted, false, false, kLongest.c_str(), ""},
    // Unknown options: refused, silently when /S is anywhere before /D=.
    {"setup.exe /X", kInstaller, CommandLineUnknownOption, false, false, nullptr, "/X"},
    {"setup.exe /S -S", kInstaller, CommandLineUnknownOption, true, false, nullptr, "-S"},
    {"setup.exe /Silent /S", kInstaller, CommandLineUnknownOption, true, false, nullptr, "/Silent"},
    {"setup.exe S", kInstaller, CommandLineUnknownOption, false, false, nullptr, "S"},
    {"setup.exe \"/S", kInstaller, CommandLineUnknownOption, false, false, nullptr, "/S"},
    {"setup.exe \"/S\"x", kInstaller, CommandLineUnknownOption, false, false, nullptr, "/S"},
    {"setup.exe /D", kInstaller, CommandLineUnknownOption, false, false, nullptr, "/D"},
    // The uninstaller takes /S, and /ELEVATED from its own elevated copy; the installer not that.
    {"uninst.exe /S", kUninstaller, CommandLineAccepted, true, false, nullptr, ""},
    {"uninst.exe /ELEVATED", kUninstaller, CommandLineAccepted, false, false, nullptr, ""},
    {"setup.exe /ELEVATED", kInstaller, CommandLineUnknownOption, false, false, nullptr, "/ELEVATED"},
    {"uninst.exe /STARTUP", kUninstaller, CommandLineUnknownOption, false, false, nullptr, "/STARTUP"},
    {"uninst.exe /S /D=C:\\Tovalin", kUninstaller, CommandLineUnknownOption, true, false, nullptr, "/D=C:\\Tovalin"},
    // A /D= that does not name a directory in full.
    {"setup.exe /S /D=", kInstaller, CommandLineBadDirectory, true, false, nullptr, "/D="},
    {"setup.exe /D=   ", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D="},
    {"setup.exe /D=Tovalin", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=Tovalin"},
    {"setup.exe /D=C:Tovalin", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:Tovalin"},
    {"setup.exe /D=\\Tovalin", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=\\Tovalin"},
    {"setup.exe /D=\\\\server\\share", kInstaller, CommandLineBadDirectory, false, false, nullptr,
     "/D=\\\\server\\share"},
    {"setup.exe /D=\"C:\\Program Files\\x\"", kInstaller, CommandLineBadDirectory, false, false, nullptr,
     "/D=\"C:\\Program Files\\x\""},
    {"setup.exe /D=C:\\a?b", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\a?b"},
    {"setup.exe /D=C:\\a:b", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\a:b"},
    {"setup.exe /D=C:\\a\tb", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\a\tb"},
    {"setup.exe /D=C:\\x /S", kInstaller, CommandLineBadDirectory, true, false, nullptr, "/D=C:\\x /S"},
    {"setup.exe /D=C:\\x.\\y", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\x.\\y"},
    {"setup.exe /D=C:\\..\\y", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\..\\y"},
    // A refused line is still read for /S, wherever it stands: no window for a script's
    // argument list that put /S last.
    {"setup.exe \"/D=C:\\x\" /S", kInstaller, CommandLineBadDirectory, true, false, nullptr, "/D=C:\\x"},
    {"setup.exe \"/D=C:\\Program Files\\Tovalin\" \"/S\"", kInstaller, CommandLineBadDirectory, true, false, nullptr,
     "/D=C:\\Program Files\\Tovalin"},
    {"setup.exe /D=Tovalin /s", kInstaller, CommandLineBadDirectory, true, false, nullptr, "/D=Tovalin /s"},
    {"setup.exe \"/D=C:\\x", kInstaller, CommandLineBadDirectory, false, false, nullptr, "/D=C:\\x"},
    {kTooLongLine.c_str(), kInstaller, CommandLineBadDirectory, false, false, nullptr, nullptr},
};

std::string Describe(const Case& c) { return std::string("command line: ") + c.commandLine; }

TEST(CommandLineTest, EveryCaseOfTheTable) {
  for (const Case& c : kCases) {
    CommandLineOptions options;
    EXPECT_EQ(ParseCommandLine(ArgumentsOf(c.commandLine), c.accepted, &options), c.verdict) << Describe(c);
    EXPECT_EQ(options.silent, c.silent) << Describe(c);
    EXPECT_EQ(options.startup, c.startup) << Describe(c);
    EXPECT_EQ(options.hasDirectory, c.directory != nullptr) << Describe(c);
    EXPECT_STREQ(options.directory, c.directory != nullptr ? c.directory : "") << Describe(c);
    // The refused option as the message will name it (a long one is cut to fit).
    if (c.refused != nullptr) {
      EXPECT_STREQ(options.refused, c.refused) << Describe(c);
    }
  }
}

}  // namespace
