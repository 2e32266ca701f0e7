// Reading the programs' options from the raw command-line text.
#include "driver/command_line.h"

#include <stdio.h>
#include <string.h>

#include "platform/message_box.h"
#include "platform/windows_path.h"

namespace {

// A lead sentence with a refused option of at most 79 characters, and a list of options.
enum { kRefusalSize = 2048 };

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

// ASCII case folding: option names are ASCII, whatever the locale says.
char Lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + ('a' - 'A')) : ch; }

// True when [begin, end) equals `name`, ignoring case.
bool IsOption(const char* begin, const char* end, const char* name) {
  const size_t length = strlen(name);
  if (static_cast<size_t>(end - begin) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Lower(begin[i]) != Lower(name[i])) return false;
  }
  return true;
}

// True when [begin, end) begins with "/D=", ignoring case.
bool StartsDirectoryOption(const char* begin, const char* end) {
  return end - begin >= 3 && begin[0] == '/' && Lower(begin[1]) == 'd' && begin[2] == '=';
}

// Keeps the first refusal and the option it was for, cut to fit.
void Refuse(CommandLineVerdict verdict, const char* begin, const char* end, CommandLineVerdict* first,
            CommandLineOptions* options) {
  if (*first != CommandLineAccepted) return;
  *first = verdict;
  size_t length = static_cast<size_t>(end - begin);
  if (length >= sizeof options->refused) length = sizeof options->refused - 1;
  memcpy(options->refused, begin, length);
  options->refused[length] = '\0';
}

// True when [begin, end) is a full Windows directory path that the installer can use as it is
// written: "X:\" and then names Windows accepts, none ending in a space or a dot.
bool IsWellFormedDirectory(const char* begin, const char* end) {
  const size_t length = static_cast<size_t>(end - begin);
  if (length < 3 || length >= DataDirectorySize) return false;
  if (!HasDriveLetter(begin) || !IsPathSeparator(begin[2])) return false;
  for (const char* p = begin + 2; p < end; ++p) {
    const unsigned char ch = static_cast<unsigned char>(*p);
    if (ch < 0x20 || strchr("<>:\"|?*", ch) != nullptr) return false;
    const bool nameEnds = p + 1 == end || IsPathSeparator(p[1]);
    if (nameEnds && !IsPathSeparator(*p) && (*p == ' ' || *p == '.')) return false;
  }
  return true;
}

// True when some word of `arguments` (up to a blank, or quoted as a whole) is /S. A refused
// command line is read once more for it, whatever was refused and wherever: a /D= takes the
// rest of the line only when it is accepted, and an unattended run must show no window either
// way.
bool AsksForSilence(const char* arguments) {
  for (const char* p = arguments;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') return false;
    const bool quoted = *p == '"';
    const char* begin = quoted ? p + 1 : p;
    const char* end = begin;
    while (*end != '\0' && (quoted ? *end != '"' : !IsBlank(*end))) ++end;
    const char* next = quoted && *end == '"' ? end + 1 : end;
    // As for every option: a quoted word needs its closing quote, with nothing glued to it.
    const bool wordEnds = !quoted || (*end == '"' && (*next == '\0' || IsBlank(*next)));
    if (wordEnds && IsOption(begin, end, "/S")) return true;
    p = next;
  }
}

}  // namespace

const char* ArgumentsOf(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    const char* close = strchr(p + 1, '"');
    return close != nullptr ? close + 1 : p + strlen(p);
  }
  while (*p != '\0' && !IsBlank(*p)) ++p;
  return p;
}

CommandLineVerdict ParseCommandLine(const char* arguments, unsigned accepted, CommandLineOptions* options) {
  memset(options, 0, sizeof *options);
  CommandLineVerdict verdict = CommandLineAccepted;
  const char* p = arguments;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;

    // One option, quoted as a whole or up to the next blank; /D= unquoted takes the rest.
    const bool quoted = *p == '"';
    const char* begin = quoted ? p + 1 : p;
    const char* close = quoted ? strchr(begin, '"') : nullptr;
    const char* end = begin;
    if (quoted) {
      end = close != nullptr ? close : begin + strlen(begin);
    } else {
      while (*end != '\0' && !IsBlank(*end)) ++end;
    }
    const char* next = close != nullptr ? close + 1 : end;

    if ((accepted & kOptionDirectory) != 0 && StartsDirectoryOption(begin, end)) {
      if (!quoted) end = begin + strlen(begin);
      while (end > begin && IsBlank(end[-1])) --end;
      const char* rest = next;
      while (quoted && IsBlank(*rest)) ++rest;
      const bool isLast = !quoted || (close != nullptr && *rest == '\0');
      if (!isLast || !IsWellFormedDirectory(begin + 3, end)) {
        Refuse(CommandLineBadDirectory, begin, end, &verdict, options);
      } else {
        const size_t length = static_cast<size_t>(end - begin - 3);
        memcpy(options->directory, begin + 3, length);
        options->directory[length] = '\0';
        options->hasDirectory = true;
      }
      break;
    }

    // A closing quote must end the word; anything glued to it makes the word unknown.
    const bool wordEnds = !quoted || (close != nullptr && (*next == '\0' || IsBlank(*next)));
    if (wordEnds && (accepted & kOptionSilent) != 0 && IsOption(begin, end, "/S")) {
      options->silent = true;
    } else if (wordEnds && (accepted & kOptionStartup) != 0 && IsOption(begin, end, "/STARTUP")) {
      options->startup = true;
    } else if (wordEnds && (accepted & kOptionElevatedCopy) != 0 && IsOption(begin, end, "/ELEVATED")) {
      options->elevatedCopy = true;
    } else {
      Refuse(CommandLineUnknownOption, begin, end, &verdict, options);
    }
    p = next;
  }
  if (verdict != CommandLineAccepted && (accepted & kOptionSilent) != 0 && AsksForSilence(arguments)) {
    options->silent = true;
  }
  return verdict;
}

void ShowRefusal(const CommandLineOptions& options, const char* leadFormat, const char* optionsText) {
  if (options.silent) return;
  char text[kRefusalSize];
  const int length = snprintf(text, sizeof text, leadFormat, options.refused);
  if (length >= 0 && static_cast<size_t>(length) < sizeof text) {
    snprintf(text + length, sizeof text - static_cast<size_t>(length), "%s", optionsText);
  }
  ShowMessage(nullptr, text, "Command Line Not Understood", kMessageOk | kMessageWarning);
}
