// The options an administrator passes to the installer and the uninstaller, read from the raw
// command-line text, the same in every build.
#pragma once
#include "datadir/data_directory.h"

/// The options a program takes; combined with |.
enum : unsigned {
  kOptionSilent = 1u,     // /S: run with no window at all
  kOptionStartup = 2u,    // /STARTUP: add the Startup item, where the product offers it
  kOptionDirectory = 4u,  // /D=PATH: the data directory; the last option
  kOptionElevatedCopy = 8u,  // /ELEVATED: the uninstaller started by itself to run elevated
};

/// What a command line asks for. Options are matched without regard to case.
struct CommandLineOptions {
  bool silent;                        // /S was given (also anywhere in a refused command line)
  bool startup;                       // /STARTUP was given
  bool elevatedCopy;                  // /ELEVATED was given
  bool hasDirectory;                  // /D= was given and is well formed
  char directory[DataDirectorySize];  // its path, blanks at its end dropped; empty without /D=
  char refused[80];                   // the option that was refused, cut to fit; empty when none
};

enum CommandLineVerdict {
  CommandLineAccepted = 0,
  CommandLineUnknownOption = 1,  // a word that is not an option the program takes
  CommandLineBadDirectory = 2,   // a /D= that does not name a directory in full
};

/// The part of a Windows command line (GetCommandLineA's text) after the program's name, which
/// comes first: up to its closing double quote when it begins with one, else up to the first
/// blank. Points into `commandLine`; empty when nothing follows.
const char* ArgumentsOf(const char* commandLine);

/// Reads `arguments` (the text after the program's name) for the options in `accepted`, into
/// `*options`. Options are separated by blanks (spaces, tabs) and each may stand in double quotes
/// as a whole ("/S", "/D=C:\Program Files\Tovalin"), as launchers quote an argument holding
/// spaces. /D= is the last option: unquoted, it takes the rest of the text, spaces included, with
/// the blanks at its end dropped; quoted, only blanks may follow its closing quote. Its path must
/// be full ("X:\" followed by names), at most DataDirectorySize - 1 characters, free of the
/// characters Windows refuses in names (< > : " | ? * and control characters) and of names that
/// end in a space or a dot (which Windows would silently drop, so "/D=C:\x /S" is refused).
/// Returns the first refusal, with the refused option in `options->refused`; a refused text is
/// still read for /S, every word of it (a /D= refused takes no rest of the line), so that a
/// refusal in an unattended run shows no window.
CommandLineVerdict ParseCommandLine(const char* arguments, unsigned accepted, CommandLineOptions* options);

/// Tells the user that the command line was refused, unless it asked for no window
/// (`options.silent`): `leadFormat`, whose one "%s" names the refused option, then `optionsText`
/// listing the options, under the caption "Command Line Not Understood" with the warning icon.
void ShowRefusal(const CommandLineOptions& options, const char* leadFormat, const char* optionsText);
