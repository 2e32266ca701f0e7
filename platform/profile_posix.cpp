// The profile file for the console edition: an ini file in the user's configuration folder,
// read and rewritten so that every other section, key and comment stays as it was.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/profile.h"
#include "platform/user_folders_posix.h"

namespace {

// The profile file's path in the profile folder; empty when there is no profile folder.
std::string ProfilePath(const char* fileName) {
  char folder[PATH_MAX];
  if (!ConfigFolder(folder, sizeof folder)) return std::string();
  return std::string(folder) + "/" + fileName;
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char block[4096];
  size_t count;
  while ((count = fread(block, 1, sizeof block, file)) > 0) contents->append(block, count);
  fclose(file);
  return true;
}

// Trims blanks (and a carriage return) from both ends of [begin, end).
void Trim(const char*& begin, const char*& end) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
}

bool SameName(const char* begin, const char* end, const char* name) {
  size_t length = strlen(name);
  return static_cast<size_t>(end - begin) == length && strncasecmp(begin, name, length) == 0;
}

// One line of an ini file, classified as the profile functions see it.
struct IniLine {
  bool isSection = false;
  bool isKey = false;
  const char* nameBegin = nullptr;
  const char* nameEnd = nullptr;
  const char* valueBegin = nullptr;
  const char* valueEnd = nullptr;
};

IniLine ClassifyLine(const char* begin, const char* end) {
  IniLine line;
  Trim(begin, end);
  if (begin == end || *begin == ';' || *begin == '#') return line;
  if (*begin == '[') {
    const char* close = static_cast<const char*>(memchr(begin, ']', end - begin));
    if (close == nullptr) return line;
    line.isSection = true;
    line.nameBegin = begin + 1;
    line.nameEnd = close;
    Trim(line.nameBegin, line.nameEnd);
    return line;
  }
  const char* equals = static_cast<const char*>(memchr(begin, '=', end - begin));
  if (equals == nullptr) return line;
  line.isKey = true;
  line.nameBegin = begin;
  line.nameEnd = equals;
  Trim(line.nameBegin, line.nameEnd);
  line.valueBegin = equals + 1;
  line.valueEnd = end;
  Trim(line.valueBegin, line.valueEnd);
  return line;
}

// Copies [begin, begin + length) into `buffer` when it fits with its terminator.
bool CopyWhole(const char* begin, size_t length, char* buffer, size_t size) {
  if (length >= size) {
    buffer[0] = '\0';
    return false;
  }
  memcpy(buffer, begin, length);
  buffer[length] = '\0';
  return true;
}

}  // namespace

bool ReadProfileText(const char* fileName, const char* section, const char* key, const char* fallback,
                     char* buffer, size_t size) {
  std::string contents;
  if (ReadWholeFile(ProfilePath(fileName), &contents)) {
    bool inSection = false;
    const char* cursor = contents.data();
    const char* limit = cursor + contents.size();
    while (cursor < limit) {
      const char* lineEnd = static_cast<const char*>(memchr(cursor, '\n', limit - cursor));
      if (lineEnd == nullptr) lineEnd = limit;
      IniLine line = ClassifyLine(cursor, lineEnd);
      if (line.isSection) inSection = SameName(line.nameBegin, line.nameEnd, section);
      if (inSection && line.isKey && SameName(line.nameBegin, line.nameEnd, key)) {
        const char* begin = line.valueBegin;
        const char* end = line.valueEnd;
        // Like the Windows profile functions, drop one pair of enclosing quotes.
        if (end - begin >= 2 && ((*begin == '"' && end[-1] == '"') || (*begin == '\'' && end[-1] == '\''))) {
          ++begin;
          --end;
        }
        return CopyWhole(begin, static_cast<size_t>(end - begin), buffer, size);
      }
      cursor = lineEnd + 1;
    }
  }
  return CopyWhole(fallback, strlen(fallback), buffer, size);
}

bool WriteProfileText(const char* fileName, const char* section, const char* key, const char* value) {
  const std::string path = ProfilePath(fileName);
  if (path.empty()) return false;
  std::string contents;
  ReadWholeFile(path, &contents);

  // Find the key's line to replace, or the place after the section's last entry to insert it.
  bool inSection = false;
  bool sectionSeen = false;
  size_t replaceBegin = std::string::npos, replaceEnd = 0, insertAt = std::string::npos;
  size_t offset = 0;
  while (offset < contents.size()) {
    size_t lineEnd = contents.find('\n', offset);
    if (lineEnd == std::string::npos) lineEnd = contents.size();
    size_t next = lineEnd < contents.size() ? lineEnd + 1 : lineEnd;
    IniLine line = ClassifyLine(contents.data() + offset, contents.data() + lineEnd);
    if (line.isSection) {
      if (inSection) break;
      inSection = SameName(line.nameBegin, line.nameEnd, section);
      if (inSection && !sectionSeen) {
        sectionSeen = true;
        insertAt = next;
      }
    } else if (inSection && line.isKey) {
      if (SameName(line.nameBegin, line.nameEnd, key)) {
        replaceBegin = offset;
        replaceEnd = next;
        break;
      }
      insertAt = next;
    }
    offset = next;
  }

  // New lines follow the file's own line ends, so a file kept with CRLF stays uniform.
  const char* newline = contents.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string entry = value != nullptr ? std::string(key) + "=" + value + newline : std::string();
  if (value == nullptr) {
    // Removing a key that is not there leaves the file as it was, or absent.
    if (replaceBegin == std::string::npos) return true;
    contents.erase(replaceBegin, replaceEnd - replaceBegin);
  } else if (replaceBegin != std::string::npos) {
    contents.replace(replaceBegin, replaceEnd - replaceBegin, entry);
  } else if (sectionSeen) {
    if (insertAt > 0 && contents[insertAt - 1] != '\n') {
      contents.insert(insertAt, newline);
      insertAt += strlen(newline);
    }
    contents.insert(insertAt, entry);
  } else {
    if (!contents.empty() && contents.back() != '\n') contents += newline;
    contents += std::string("[") + section + "]" + newline + entry;
  }

  // The configuration folder may not exist yet on a fresh system; one level is all it takes.
  mkdir(path.substr(0, path.rfind('/')).c_str(), 0777);

  // Write a sibling and rename it over the original, so a failed write loses nothing.
  const std::string temporary = path + ".new";
  FILE* file = fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  written = (fclose(file) == 0) && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool UserProfileFile(const char* fileName, char* out, size_t size) {
  const size_t length = strlen(fileName);
  if (length >= size) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  memcpy(out, fileName, length + 1);
  return true;
}
