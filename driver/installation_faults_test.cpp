// Every way an installation can fail, provoked on purpose through RunInstallation with real files:
// each case checks the exact message and caption and the exact set of files left behind.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "datadir/data_directory.h"
#include "driver/installation.h"
#include "payload/extract.h"
#include "platform/message_box.h"
#include "product/exit_status.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kFailedCaption = expected::FailedCaption("Tovalin");
const unsigned kWarning = kMessageOk | kMessageWarning;

std::string Bytes(size_t size, unsigned seed) { return fake::PartlyCompressibleBytes(size, seed); }

// The sample product's four names; the second file has three pieces so that a disk can fill up
// in the middle of one.
const std::vector<fake::ProductFile>& Product() {
  static const std::vector<fake::ProductFile> files = {{"tov32.exe", Bytes(20000, 1)},
                                                      {"help.htm", Bytes(90000, 2)},
                                                      {"tovalin.jpg", Bytes(3000, 3)},
                                                      {"uninst.exe", Bytes(5000, 4)}};
  return files;
}

struct Outcome {
  std::string caption;
  std::string text;
  unsigned style;
  bool operator==(const Outcome& other) const {
    return caption == other.caption && text == other.text && style == other.style;
  }
};
std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "{" << outcome.caption << " | " << outcome.text << " | " << outcome.style << "}";
}

class InstallationFaultTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    data_ = Root() + "/drives/C/Program Files/Tovalin";
    ASSERT_TRUE(MakeFolders(data_));
    fake::UseFiles(Product());
  }

  void TearDown() override {
    // Undo what outlives a test and would stop the folder's removal: immutable flags, mounts.
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) (*it)();
    TempFolderTest::TearDown();
  }

  // The data directory (the existing Program Files default) as a native path.
  const std::string& Data() const { return data_; }
  std::string InData(const std::string& name) const { return data_ + "/" + name; }

  // Every message the installation showed, but the closing-copies notice, which comes on every
  // run before extraction and is checked where that step is tested.
  static std::vector<Outcome> Shown() {
    std::vector<Outcome> shown;
    for (const auto& message : fake::Messages()) {
      if (message.caption != expected::kClosingCopiesCaption) shown.push_back({message.caption, message.text, message.style});
    }
    return shown;
  }

  static bool HasEvent(const std::string& event) {
    for (const auto& e : fake::Events()) {
      if (e == event) return true;
    }
    return false;
  }

  std::string Profile() const { return ReadBytes(Root() + "/config/tovalin2.ini"); }

  // Sets the immutable flag, which stops even root from writing, replacing or deleting. Returns
  // false when the file system has no such flag.
  bool MakeImmutable(const std::string& path) {
    if (system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0) return false;
    undo_.push_back([path] { (void)!system(("chattr -i '" + path + "'").c_str()); });
    return true;
  }

  // Mounts a tmpfs of `bytes` over the data directory. Returns false where mounting is not
  // allowed (no privilege, or inside a container without it).
  bool MountSmallDisk(size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("tmpfs", data_.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    const std::string where = data_;
    undo_.push_back([where] {
      if (chdir("/") == 0 && umount2(where.c_str(), MNT_DETACH) != 0) ADD_FAILURE() << "umount " << where;
    });
    return true;
  }

  void OnTearDown(std::function<void()> step) { undo_.push_back(std::move(step)); }

  // Forgets what the fakes recorded, for another installation in the same test.
  static void StartOver() {
    fake::Reset();
    fake::UseFiles(Product());
  }

 private:
  std::string data_;
  std::vector<std::function<void()>> undo_;
};

// ---- a full disk ------------------------------------------------------------------------------

TEST_F(InstallationFaultTest, FileSizeLimitInTheMiddleOfAPieceRollsBackEverything) {
  // First, extraction alone: the program is whole, help.htm stops inside its second piece.
  ASSERT_EQ(chdir(Data().c_str()), 0);
  ExtractStatus status = ExtractComplete;
  WithFileSizeLimit(45000, [&] { status = ExtractPayload(nullptr, nullptr); });
  EXPECT_EQ(status, ExtractWriteFailed);
  EXPECT_EQ(FolderEntries("."), (std::vector<std::string>{"help.htm", "tov32.exe"}));
  EXPECT_EQ(ReadBytes("help.htm").size(), 45000u);  // part of the second piece reached the disk
  EXPECT_EQ(ReadBytes("tov32.exe"), Product()[0].contents);
  EXPECT_EQ(RollBackExtraction(nullptr, nullptr), 4);
  EXPECT_TRUE(FolderEntries(".").empty());

  // The whole installation: its message, and the rollback removes the partial and earlier files.
  StartOver();
  WithFileSizeLimit(45000, [] { RunInstallation(nullptr); });
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kWriteFailedText, kWarning}}));
  EXPECT_TRUE(FolderEntries(Data()).empty());
  EXPECT_FALSE(HasEvent("progress:destroy"));
  EXPECT_EQ(fake::Events().back(), "message:" + kFailedCaption);
  // The stored choice, written before extraction, stays.
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\Program Files\\Tovalin\n");
}

TEST_F(InstallationFaultTest, RealFullDiskInTheMiddleOfAPieceRollsBackEverything) {
  // 64 KiB: the program (20,000 bytes) and help.htm's first piece fit, its second does not.
  if (!MountSmallDisk(size_t{64} * 1024)) GTEST_SKIP() << "cannot mount a small tmpfs here: " << strerror(errno);
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kWriteFailedText, kWarning}}));
  EXPECT_TRUE(FolderEntries(Data()).empty());
  EXPECT_TRUE(HasEvent("progress:" + expected::PercentText(25)));    // help.htm was under way
  EXPECT_FALSE(HasEvent("progress:" + expected::PercentText(50)));   // and nothing after it
}

// ---- a file in the way -----------------------------------------------------------------------

TEST_F(InstallationFaultTest, DirectoryInTheWayOfEachFile) {
  // Files before it are removed again; the rollback stops at the directory, which opens for
  // reading but is no file to delete, so the files after it (written by no one) are absent.
  for (const auto& file : Product()) {
    SCOPED_TRACE(file.name);
    StartOver();
    ASSERT_EQ(mkdir(InData(file.name).c_str(), 0777), 0);
    RunInstallation(nullptr);
    EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
    EXPECT_EQ(FolderEntries(Data()), std::vector<std::string>{file.name});
    ASSERT_EQ(rmdir(InData(file.name).c_str()), 0);
  }
}

TEST_F(InstallationFaultTest, ReadOnlyFileInTheWay) {
  WriteBytes(InData("tovalin.jpg"), "earlier copy");
  WriteBytes(InData("uninst.exe"), "earlier uninstaller");
  bool deletable;
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(InData("tovalin.jpg").c_str(), 0444), 0);
    deletable = true;  // POSIX deletes a read-only file from a writable folder
  } else if (MakeImmutable(InData("tovalin.jpg"))) {
    deletable = false;  // root ignores permissions; the immutable flag stops it
  } else {
    GTEST_SKIP() << "running as root on a file system without the immutable flag";
  }
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
  if (deletable) {
    EXPECT_TRUE(FolderEntries(Data()).empty());
  } else {
    // The rollback stops at the file it cannot delete; the earlier copy and what follows stay.
    EXPECT_EQ(FolderEntries(Data()), (std::vector<std::string>{"tovalin.jpg", "uninst.exe"}));
    EXPECT_EQ(ReadBytes(InData("tovalin.jpg")), "earlier copy");
    EXPECT_EQ(ReadBytes(InData("uninst.exe")), "earlier uninstaller");
  }
}

TEST_F(InstallationFaultTest, DanglingAndLoopingLinksInTheWay) {
  // A link into a missing folder and a link to itself cannot be opened for writing, not even by
  // root; they are no earlier file to set aside, and do not open for reading either, so the
  // rollback passes them and goes on.
  ASSERT_EQ(symlink("missing-folder/help.htm", InData("help.htm").c_str()), 0);
  WriteBytes(InData("uninst.exe"), "earlier uninstaller");
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
  // The earlier uninstaller, which the run did not reach, stays.
  EXPECT_EQ(FolderEntries(Data()), (std::vector<std::string>{"help.htm", "uninst.exe"}));
  EXPECT_EQ(ReadBytes(InData("uninst.exe")), "earlier uninstaller");

  ASSERT_EQ(unlink(InData("help.htm").c_str()), 0);
  ASSERT_EQ(unlink(InData("uninst.exe").c_str()), 0);
  ASSERT_EQ(symlink("uninst.exe", InData("uninst.exe").c_str()), 0);
  StartOver();
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
  EXPECT_EQ(FolderEntries(Data()), std::vector<std::string>{"uninst.exe"});
}

TEST_F(InstallationFaultTest, RunningProgramInTheWay) {
  // Linux refuses to write a program file that is being executed (ETXTBSY), even for root: the
  // nearest native stand-in for a running copy that ignored the quit request.
  const std::string program = InData("tov32.exe");
  WriteBytes(program, ReadBytes("/bin/sleep"));
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(program.c_str(), "tov32.exe", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  OnTearDown([child] {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  });
  // Wait until the child has reached exec: from then on the file refuses writing.
  bool busy = false;
  for (int attempt = 0; attempt < 500 && !busy; ++attempt) {
    const int probe = open(program.c_str(), O_WRONLY);
    if (probe >= 0) close(probe);
    busy = probe < 0 && errno == ETXTBSY;
    const timespec pause = {0, 10000000L};  // 10 ms
    if (!busy) nanosleep(&pause, nullptr);
  }
  if (!busy) GTEST_SKIP() << "this kernel lets a running program's file be written";
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
  // The file that could not be replaced is not the run's to delete: the running program stays.
  EXPECT_EQ(FolderEntries(Data()), std::vector<std::string>{"tov32.exe"});
}

// ---- a rollback that cannot finish -------------------------------------------------------------

TEST_F(InstallationFaultTest, RollbackStopsAtAFileItCannotDeleteAndLaterFilesStay) {
  // The disk fills in help.htm; a directory named tovalin.jpg (left by someone else) cannot be
  // deleted, so the rollback stops there and uninst.exe from an earlier installation stays.
  ASSERT_EQ(mkdir(InData("tovalin.jpg").c_str(), 0777), 0);
  WriteBytes(InData("uninst.exe"), "earlier uninstaller");
  WithFileSizeLimit(45000, [] { RunInstallation(nullptr); });
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kWriteFailedText, kWarning}}));
  EXPECT_EQ(FolderEntries(Data()), (std::vector<std::string>{"tovalin.jpg", "uninst.exe"}));
  EXPECT_EQ(ReadBytes(InData("uninst.exe")), "earlier uninstaller");
}

TEST_F(InstallationFaultTest, RollbackStopsAtAnUndeletableFile) {
  // A real file that cannot be deleted: an immutable earlier help.htm. Extraction fails on it,
  // the program written before it is removed, and the files after it stay as they were.
  WriteBytes(InData("help.htm"), "earlier help");
  WriteBytes(InData("tovalin.jpg"), "earlier picture");
  if (!MakeImmutable(InData("help.htm"))) GTEST_SKIP() << "no immutable flag on this file system";
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kCannotCreateFileText, kWarning}}));
  EXPECT_EQ(FolderEntries(Data()), (std::vector<std::string>{"help.htm", "tovalin.jpg"}));
  EXPECT_EQ(ReadBytes(InData("help.htm")), "earlier help");
  EXPECT_EQ(ReadBytes(InData("tovalin.jpg")), "earlier picture");
}

// ---- no memory -------------------------------------------------------------------------------

TEST_F(InstallationFaultTest, NoDecompressionBufferCreatesNothing) {
  WriteBytes(InData("uninst.exe"), "earlier uninstaller");
  fake::FailNextAllocation();
  RunInstallation(nullptr);
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kNoMemoryText, kWarning}}));
  // Nothing was created, and the earlier installation's file stays as it was.
  EXPECT_EQ(FolderEntries(Data()), std::vector<std::string>{"uninst.exe"});
  EXPECT_EQ(ReadBytes(InData("uninst.exe")), "earlier uninstaller");
  for (const auto& event : fake::Events()) EXPECT_NE(event.rfind("progress:Percent", 0), 0u) << event;
}

// ---- a damaged installer -----------------------------------------------------------------------

TEST_F(InstallationFaultTest, DamagedInstallerIsRefusedBeforeAnythingIsWritten) {
  struct Damage {
    const char* label;
    int file, piece;
    std::function<void(std::vector<unsigned char>&)> apply;
  };
  const std::vector<Damage> damages = {
      {"header byte", 0, 0, [](std::vector<unsigned char>& p) { p[1] ^= 0x01; }},
      {"middle byte", 1, 1, [](std::vector<unsigned char>& p) { p[p.size() / 2] ^= 0x20; }},
      {"checksum trailer", 3, 0, [](std::vector<unsigned char>& p) { p[p.size() - 2] ^= 0x80; }},
      {"piece cut short", 1, 2, [](std::vector<unsigned char>& p) { p.resize(p.size() - 1); }},
      {"bytes appended", 2, 0, [](std::vector<unsigned char>& p) { p.push_back(0); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.label);
    StartOver();
    auto& piece = fake::Piece(damage.file, damage.piece);
    damage.apply(piece);
    fake::ResizePiece(damage.file, damage.piece, piece.size());
    RunInstallation(nullptr);
    EXPECT_EQ(Shown(), (std::vector<Outcome>{{kFailedCaption, expected::kDamagedText, kWarning}}));
    // Refused first of all: no dialog, no progress window, no profile, no file.
    EXPECT_EQ(fake::Events(), std::vector<std::string>{"message:" + kFailedCaption});
    EXPECT_TRUE(FolderEntries(Data()).empty());
    EXPECT_TRUE(FolderEntries(Root() + "/config").empty());
  }
}

// ---- the same faults with /S ---------------------------------------------------------------------

TEST_F(InstallationFaultTest, UnattendedFailuresEndWithTheirStatusAndLeaveNoFileOfTheRun) {
  struct Fault {
    const char* label;
    InstallerDataStatus data;
    const char* preset;
    std::function<void()> apply;
    int status;
  };
  const std::vector<Fault> faults = {
      {"damaged data", InstallerDataDamaged, nullptr, [] {}, ExitDamaged},
      {"damaged piece", InstallerDataRead, nullptr, [] {
         fake::Piece(1, 1)[7] ^= 0x10;
       }, ExitDamaged},
      {"no memory for the data", InstallerDataNoMemory, nullptr, [] {}, ExitNoMemory},
      {"no decompression buffer", InstallerDataRead, nullptr, [] { fake::FailNextAllocation(); }, ExitNoMemory},
      {"a directory in the way", InstallerDataRead, nullptr, [this] { mkdir(InData("tovalin.jpg").c_str(), 0777); },
       ExitCannotCreate},
      {"no such drive", InstallerDataRead, "Q:\\Tovalin", [] {}, ExitNoDirectory},
      {"for all users, a directory other users may change", InstallerDataRead, nullptr, [this] {
         fake::RunElevated(true);
         chmod(Data().c_str(), 0777);
       }, ExitOpenToOthers},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.label);
    StartOver();
    fault.apply();
    EXPECT_EQ(RunUnattendedInstallation(fault.data, fault.preset, false), fault.status);
    EXPECT_TRUE(fake::Messages().empty());
    const std::vector<std::string> left = FolderEntries(Data());
    EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"tovalin.jpg"});
    rmdir(InData("tovalin.jpg").c_str());
    chmod(Data().c_str(), 0755);
  }
  // A full disk: exit status 3, and the rollback removes the partial file and the earlier ones.
  StartOver();
  int status = -1;
  WithFileSizeLimit(45000, [&] { status = RunUnattendedInstallation(InstallerDataRead, nullptr, false); });
  EXPECT_EQ(status, ExitWriteFailed);
  EXPECT_TRUE(FolderEntries(Data()).empty());
}

// ---- the profile cannot be written -------------------------------------------------------------

TEST_F(InstallationFaultTest, UnwritableProfileIsNotReportedAndTheInstallationCompletes) {
  struct Obstacle {
    const char* label;
    std::function<bool()> apply;  // false: not possible here
  };
  const std::string config = Root() + "/config";
  const std::vector<Obstacle> obstacles = {
      {"profile folder is a file", [&] {
         setenv("XDG_CONFIG_HOME", (Root() + "/config-file/sub").c_str(), 1);
         WriteBytes(Root() + "/config-file", "in the way");
         return true;
       }},
      {"profile file is a folder", [&] { return mkdir((config + "/tovalin2.ini").c_str(), 0777) == 0; }},
      {"its replacement is a folder", [&] { return mkdir((config + "/tovalin2.ini.new").c_str(), 0777) == 0; }},
      {"profile folder is read-only", [&] {
         if (geteuid() != 0) return chmod(config.c_str(), 0555) == 0;
         return MakeImmutable(config);
       }},
  };
  std::string notPossible;  // the obstacles this machine cannot set up, reported as a skip
  for (const Obstacle& obstacle : obstacles) {
    SCOPED_TRACE(obstacle.label);
    StartOver();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ASSERT_TRUE(RemoveTree(config) && MakeFolders(config));
    if (!obstacle.apply()) {
      notPossible += std::string(notPossible.empty() ? "" : ", ") + obstacle.label;
      continue;
    }
    RunInstallation(nullptr);
    EXPECT_EQ(Shown(), (std::vector<Outcome>{{expected::kSuccessCaption, expected::SuccessQuestion("Tovalin"), kMessageYesNo}}));
    EXPECT_TRUE(HasEvent("progress:destroy"));
    for (const auto& file : Product()) {
      EXPECT_EQ(ReadBytes(InData(file.name)), file.contents) << file.name;
      ASSERT_EQ(unlink(InData(file.name).c_str()), 0);
    }
    EXPECT_FALSE(PathExists(config + "/tovalin2.ini") && Profile().find("dataDir") != std::string::npos);
  }
  if (!notPossible.empty()) GTEST_SKIP() << "not possible here (no immutable flag): " << notPossible;
}

// ---- long texts --------------------------------------------------------------------------------

TEST_F(InstallationFaultTest, DataDirectoryOf1023Characters) {
  const std::string path = LongWindowsPath(1023);
  const std::string native = NativeFolder(path);
  ASSERT_TRUE(MakeFolders(native));
  WriteBytes(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=" + path + "\n");
  fake::AnswerNext(kAnswerYes);
  fake::AnswerNext(kAnswerYes);
  RunInstallation(nullptr);

  const std::vector<Outcome> shown = Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), (Outcome{expected::kSuccessCaption, expected::SuccessQuestion("Tovalin"), kMessageYesNo}));
  EXPECT_EQ(FolderEntries(native), (std::vector<std::string>{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.dat", "uninst.exe"}));
  EXPECT_TRUE(HasEvent("start:" + path + "\\tov32.exe"));  // 1,033 characters, not cut
  EXPECT_EQ(Profile(), "[Options]\ndataDir=" + path + "\n");
}

TEST_F(InstallationFaultTest, StoredDirectoryTooLongIsRefusedNotCut) {
  // 1,500 characters stored: they do not fit, and a text cut to 1,023 could name another
  // directory, so the stored text is unusable and the dialog opens empty; cancelling ends the
  // installation with nothing written.
  const std::string path = LongWindowsPath(1500);
  const std::string stored = "[Options]\ndataDir=" + path + "\n";
  WriteBytes(Root() + "/config/tovalin2.ini", stored);
  fake::DialogCancel();
  RunInstallation(nullptr);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{""});
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[0].caption, expected::kShuttingDownCaption);
  EXPECT_EQ(Shown()[1].caption, expected::kNotInstalledCaption);
  EXPECT_TRUE(FolderEntries(Data()).empty());
  EXPECT_EQ(Profile(), stored);
}

TEST_F(InstallationFaultTest, HomePathOfSeveralThousandCharacters) {
  // Without the Program Files default and a stored choice, the home default is unusable: the
  // dialog opens empty, with no error before it, and a typed directory completes the install.
  ASSERT_EQ(rmdir(Data().c_str()), 0);
  setenv("HOMEDRIVE", "C:", 1);
  setenv("HOMEPATH", ("\\" + std::string(6000, 'h')).c_str(), 1);
  fake::DialogOk("C:\\Tovalin");
  RunInstallation(nullptr);
  EXPECT_EQ(fake::DialogProposals(), std::vector<std::string>{""});
  EXPECT_EQ(Shown(), (std::vector<Outcome>{{expected::kSuccessCaption, expected::SuccessQuestion("Tovalin"), kMessageYesNo}}));
  EXPECT_EQ(FolderEntries(Root() + "/drives/C/Tovalin"),
            (std::vector<std::string>{"help.htm", "tov32.exe", "tovalin.jpg", "uninst.dat", "uninst.exe"}));
  EXPECT_EQ(Profile(), "[Options]\ndataDir=C:\\Tovalin\n");
}

}  // namespace
