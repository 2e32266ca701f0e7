// The installer's user-facing platform pieces as silent stand-ins, and the fuzz helpers.
#include "tests/fuzz/fuzz_support.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "datadir/directory_dialog.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "platform/threads.h"
#include "tests/support/scratch_folder.h"

namespace fuzz {

SettingsRecord Settings = {"Tovalin", "Tovalin", "tovalin2.ini", 0, "", "tov32.exe", "Tovalin", "Tovalin", "", "", "", "", 0};
PayloadTableRecord Table = {};

namespace {
const unsigned char* pieces = nullptr;
size_t piecesSize = 0;
}  // namespace

void UsePieces(const unsigned char* data, size_t size) {
  pieces = data;
  piecesSize = size;
}

bool ReadPieces(uint64_t offset, unsigned char* into, uint32_t size) {
  if (offset > piecesSize || size > piecesSize - offset) abort();
  if (size > 0) memcpy(into, pieces + offset, size);  // no pieces at all: no block either
  return true;
}

uint8_t Input::Byte() {
  if (size == 0) return 0;
  --size;
  return *data++;
}

std::string Input::Text(uint8_t end, size_t limit) {
  std::string text;
  while (size > 0 && text.size() < limit) {
    const uint8_t byte = Byte();
    if (byte == end) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

std::string Input::Rest() {
  std::string text(reinterpret_cast<const char*>(data), size);
  data += size;
  size = 0;
  return text;
}

namespace {
std::string startDirectory;
}  // namespace

void RestoreDirectory() {
  if (!startDirectory.empty() && chdir(startDirectory.c_str()) != 0) abort();
}

const std::string& ScratchFolder() {
  static std::string folder;
  if (!folder.empty()) return folder;
  char current[4096];
  if (getcwd(current, sizeof current) == nullptr) abort();
  startDirectory = current;
  folder = MakeScratchFolder();
  atexit([] { RemoveTree(folder); });
  for (const char* sub : {"/config", "/home", "/drives/C", "/drives/D", "/work"}) {
    if (!MakeFolders(folder + sub)) abort();
  }
  setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
  setenv("HOME", (folder + "/home").c_str(), 1);
  setenv("INSTALLER_DRIVES", (folder + "/drives").c_str(), 1);
  return folder;
}

}  // namespace fuzz

const SettingsRecord& InstallerSettings = fuzz::Settings;
const PayloadTableRecord& PayloadTable = fuzz::Table;

// Nobody answers: OK boxes get OK, questions get No, the dialog is cancelled.
int ShowMessage(WindowHandle, const char*, const char*, unsigned style) {
  return (style & kMessageYesNo) ? kAnswerNo : kAnswerOk;
}
int RunDirectoryDialog(InstanceHandle, WindowHandle, char*, size_t, DirectoryCheck) { return 0; }
void* AllocateMemory(size_t size) { return malloc(size); }
void FreeMemory(void* block) { free(block); }
void SleepMilliseconds(unsigned) {}
bool StartProgram(const char*) { return true; }

// One processor and no threads: extraction runs on the caller's thread alone, the same code
// with nothing to interleave, so a finding replays the same way every time.
int ProcessorCount() { return 1; }
ThreadHandle StartThread(void (*)(void*), void*) { return nullptr; }
void JoinThread(ThreadHandle) {}
LockHandle CreateLock() { return nullptr; }
void DestroyLock(LockHandle) {}
void AcquireLock(LockHandle) {}
void ReleaseLock(LockHandle) {}
EventHandle CreateWakeEvent() { return nullptr; }
void DestroyWakeEvent(EventHandle) {}
void SignalEvent(EventHandle) {}
void WaitForEvent(EventHandle) {}

// Installed for the user running the target, and alone on the machine.
bool ProcessIsElevated() { return false; }
ProductLock TakeProductLock(const char*, bool) { return ProductLockTaken; }
