// Installations over earlier versions and the removal of what any of them installed, through
// both sequences (the interactive one and /S), against the real file services: what an update
// removes, what a failed one leaves, and what the uninstaller removes and keeps.

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "datadir/data_directory.h"
#include "driver/installation.h"
#include "driver/uninstallation.h"
#include "platform/message_box.h"
#include "product/exit_status.h"
#include "tests/support/expected_texts.h"
#include "tests/support/fakes.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_folder.h"

namespace {

using Texts = std::vector<std::string>;

std::string Bytes(size_t size, unsigned seed) { return fake::PartlyCompressibleBytes(size, seed); }

// Version 1: a tree with a Startup item. Version 2 drops the folder "old" and "docs\img", changes
// the program, and makes no Startup item. "shared" is a folder that was there before either.
const std::vector<fake::ProductFile> kVersion1 = {{"bin\\tov32.exe", Bytes(40000, 1)},
                                                 {"docs\\guide.htm", "guide 1"},
                                                 {"docs\\img\\a.png", Bytes(3000, 2)},
                                                 {"old\\gone.txt", "dropped in version 2"},
                                                 {"shared\\x.dll", "x"},
                                                 {"uninst.exe", "uninstaller 1"}};
const std::vector<fake::ProductFile> kVersion2 = {{"bin\\tov32.exe", Bytes(50000, 3)},
                                                 {"docs\\guide.htm", "guide 2"},
                                                 {"shared\\x.dll", "x"},
                                                 {"uninst.exe", "uninstaller 2"}};

// One of the two sequences, installing with or without the Startup item where it is offered.
struct Sequence {
  const char* label;
  std::function<int(bool startup)> install;  // the exit status (0 for the interactive run)
};

const std::vector<Sequence>& Sequences() {
  static const std::vector<Sequence> sequences = {
      {"interactive",
       [](bool startup) {
         fake::AnswerNext(kAnswerOk);                            // the running copies' notice
         fake::AnswerNext(startup ? kAnswerYes : kAnswerNo);     // the Startup question
         fake::AnswerNext(kAnswerNo);                            // do not start the program
         RunInstallation(nullptr);
         return 0;
       }},
      {"unattended", [](bool startup) { return RunUnattendedInstallation(InstallerDataRead, nullptr, startup); }},
  };
  return sequences;
}

class UpdateTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(MakeFolders(Data() + "/shared"));
  }

  static void UseVersion(const std::vector<fake::ProductFile>& files, const char* version) {
    fake::Reset();
    fake::Settings.mainExecutable = "bin\\tov32.exe";
    fake::Settings.offerStartupGroup = 1;
    fake::Settings.version = version;
    fake::UseFiles(files);
  }

  std::string Data() const { return DriveFolder("C/Program Files/Tovalin"); }
  std::string In(const std::string& path) const { return Data() + "/" + path; }
  std::string Record() const { return ReadBytes(In("uninst.dat")); }

  static bool Happened(const std::string& event) {
    for (const auto& e : fake::Events()) {
      if (e == event) return true;
    }
    return false;
  }
  // The item deleted from the Start menu's folders, whichever way the shell was asked or not.
  static Texts Unlinked() {
    Texts unlinked;
    for (const auto& e : fake::Events()) {
      if (e.rfind("unlink:", 0) == 0) unlinked.push_back(e);
    }
    return unlinked;
  }
};

TEST_F(UpdateTest, AnUpdateRemovesWhatItNoLongerInstallsAndTheUninstallerWhatAnyVersionDid) {
  for (const Sequence& sequence : Sequences()) {
    SCOPED_TRACE(sequence.label);
    ASSERT_TRUE(RemoveTree(Data()) && MakeFolders(Data() + "/shared"));
    UseVersion(kVersion1, "1.0");
    EXPECT_EQ(sequence.install(true), ExitSuccess);
    EXPECT_EQ(Record(), "install record 1\nversion\t1.0\ntitle\tTovalin\ngroup\tTovalin\nproduct\tTovalin\nscope\tuser\nstartup\tyes\n"
                        "directory\tfound\nfolder\tbin\nfolder\tdocs\nfolder\tdocs\\img\nfolder\told\n"
                        "file\tbin\\tov32.exe\nfile\tdocs\\guide.htm\nfile\tdocs\\img\\a.png\nfile\told\\gone.txt\n"
                        "file\tshared\\x.dll\nfile\tuninst.exe\n");
    WriteBytes(In("old/mine.txt"), "the user's");

    UseVersion(kVersion2, "2.0");
    EXPECT_EQ(sequence.install(false), ExitSuccess);
    EXPECT_EQ(ReadBytes(In("bin/tov32.exe")), kVersion2[0].contents);
    EXPECT_EQ(ReadBytes(In("docs/guide.htm")), "guide 2");
    EXPECT_EQ(FolderEntries(In("docs")), Texts{"guide.htm"});
    EXPECT_EQ(FolderEntries(In("old")), Texts{"mine.txt"});
    EXPECT_EQ(FolderEntries(Data()), (Texts{"bin", "docs", "old", "shared", "uninst.dat", "uninst.exe"}));
    // The Startup item version 1 made goes; "old" stays listed, for it still is the product's.
    // Unattended, the shell is never asked: its answers may open windows.
    EXPECT_EQ(Unlinked(), Texts{"unlink:Startup\\Tovalin"});
    EXPECT_EQ(Happened("dde:start"), sequence.label == std::string("interactive"));
    EXPECT_EQ(Record(), "install record 1\nversion\t2.0\ntitle\tTovalin\ngroup\tTovalin\nproduct\tTovalin\nscope\tuser\nstartup\tno\n"
                        "directory\tfound\nfolder\tbin\nfolder\tdocs\nfolder\told\n"
                        "file\tbin\\tov32.exe\nfile\tdocs\\guide.htm\nfile\tshared\\x.dll\nfile\tuninst.exe\n");

    // The quiet removal leaves the user's file with its folder, and "shared", which was there
    // before: the directory is kept for them.
    fake::Reset();
    EXPECT_EQ(RunUninstallation(InstallerDataRead, true), ExitSuccess);
    EXPECT_EQ(FolderEntries(Data()), (Texts{"old", "shared"}));
    EXPECT_EQ(FolderEntries(In("old")), Texts{"mine.txt"});
    EXPECT_TRUE(FolderEntries(In("shared")).empty());
    // Version 2 made no Startup item, so none is removed.
    EXPECT_EQ(Unlinked(), (Texts{"unlink:Programs\\Tovalin\\Tovalin", "unlink:Programs\\Tovalin\\Uninstall"}));
    EXPECT_FALSE(Happened("dde:start"));
  }
}

TEST_F(UpdateTest, WhatTheEarlierVersionNamedOtherwiseGoes) {
  struct Case {
    const char* label;
    const char* groupName;
    const char* appTitle;
    const char* productId;
    Texts unlinked;  // the items deleted, in order
    bool entryDeleted;
  };
  const std::vector<Case> cases = {
      {"the same names", "Tovalin", "Tovalin", "Tovalin", {}, false},
      {"names in another case", "TOVALIN", "tovalin", "TOVALIN", {}, false},
      {"another title", "Tovalin", "Tovalin 2", "Tovalin", {"unlink:Programs\\Tovalin\\Tovalin"}, false},
      {"another group", "Tovalin Suite", "Tovalin", "Tovalin_Suite",
       {"unlink:Programs\\Tovalin\\Tovalin", "unlink:Programs\\Tovalin\\Uninstall", "unlink:Startup\\Tovalin"}, true},
      // Every name another: another product installed into the same directory, which takes none
      // of the first one's files, items or entry.
      {"another product", "Velbrook Notes", "Notes", "Notes", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RemoveTree(Data()) && MakeFolders(Data() + "/shared"));
    UseVersion(kVersion1, "1.0");
    ASSERT_EQ(Sequences()[1].install(true), ExitSuccess);
    UseVersion(kVersion2, "2.0");
    fake::Settings.groupName = c.groupName;
    fake::Settings.appTitle = c.appTitle;
    fake::Settings.productId = c.productId;
    ASSERT_EQ(Sequences()[1].install(true), ExitSuccess);
    EXPECT_EQ(Unlinked(), c.unlinked);
    bool deleted = false;
    for (const auto& event : fake::Events()) deleted = deleted || event == "entry:delete HKCU\\Tovalin";
    EXPECT_EQ(deleted, c.entryDeleted);
    EXPECT_EQ(PathExists(In("old/gone.txt")), c.label == std::string("another product"));
  }
}

TEST_F(UpdateTest, TheUninstallerAnsweredNoOrFindingNothingRemovesNothing) {
  UseVersion(kVersion1, "1.0");
  ASSERT_EQ(Sequences()[1].install(true), ExitSuccess);
  const Texts installed = FolderEntries(Data());
  const std::string record = Record();
  fake::Reset();
  fake::AnswerNext(kAnswerNo);
  EXPECT_EQ(RunUninstallation(InstallerDataRead, false), ExitDeclined);
  EXPECT_EQ(FolderEntries(Data()), installed);
  EXPECT_EQ(Record(), record);
  EXPECT_TRUE(fake::ExecutedCommands().empty());
  // Removed once, a second removal finds nothing stored and says so (8), with no window under /S.
  fake::Reset();
  EXPECT_EQ(RunUninstallation(InstallerDataRead, true), ExitSuccess);
  EXPECT_EQ(FolderEntries(Data()), Texts{"shared"});
  EXPECT_EQ(RunUninstallation(InstallerDataRead, true), ExitNotInstalled);
  EXPECT_EQ(FolderEntries(Data()), Texts{"shared"});
}

TEST_F(UpdateTest, TheUninstallerRemovesTheDirectoryOnlyWhenAnInstallationCreatedIt) {
  struct Case {
    const char* label;
    bool existedBefore;  // the directory was there before the first installation (/D= names it)
    bool updated;        // version 2 installed over version 1 before the removal
    bool removed;
  };
  const std::vector<Case> cases = {
      {"created by the installation", false, false, true},
      {"created by the first version, found by the update", false, true, true},
      {"there before", true, false, false},
      {"there before, updated", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RemoveTree(Data()));
    if (c.existedBefore) {
      ASSERT_TRUE(MakeFolders(Data()));
    }
    UseVersion(kVersion1, "1.0");
    ASSERT_EQ(RunUnattendedInstallation(InstallerDataRead, "C:\\Program Files\\Tovalin", false), ExitSuccess);
    if (c.updated) {
      UseVersion(kVersion2, "2.0");
      ASSERT_EQ(RunUnattendedInstallation(InstallerDataRead, "C:\\Program Files\\Tovalin", false), ExitSuccess);
    }
    fake::Reset();
    EXPECT_EQ(RunUninstallation(InstallerDataRead, true), ExitSuccess);
    EXPECT_EQ(PathExists(Data()), !c.removed);
    EXPECT_TRUE(FolderEntries(Data()).empty());
  }
}

// The shell makes the items in the Start menu of the user it runs as; an installation for all
// users moves them to all users' one. Unattended, the shell is not asked (its answers open the
// group's folder): the installer makes the items itself, in the Start menu of its scope.
TEST_F(UpdateTest, TheItemsGoToTheStartMenuOfTheInstallationsScopeTheWayOfItsRun) {
  struct Case {
    size_t sequence;
    bool elevated;
    Texts events;  // the Start menu's: moves and links made, in order
  };
  const std::string program = "C:\\Program Files\\Tovalin\\bin\\tov32.exe in C:\\Program Files\\Tovalin\\bin";
  const std::string uninstaller = "C:\\Program Files\\Tovalin\\uninst.exe in C:\\Program Files\\Tovalin";
  const std::vector<Case> cases = {
      {0, false, {}},
      {0, true, {"move:Programs\\Tovalin\\Tovalin", "move:Programs\\Tovalin\\Uninstall", "move:Startup\\Tovalin"}},
      {1, false,
       {"link:Programs\\Tovalin\\Tovalin -> " + program, "link:Programs\\Tovalin\\Uninstall -> " + uninstaller,
        "link:Startup\\Tovalin -> " + program}},
      {1, true,
       {"link:all users Programs\\Tovalin\\Tovalin -> " + program,
        "link:all users Programs\\Tovalin\\Uninstall -> " + uninstaller, "link:all users Startup\\Tovalin -> " + program}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(Sequences()[c.sequence].label) + (c.elevated ? ", for all users" : ", for the user"));
    ASSERT_TRUE(RemoveTree(Data()) && MakeFolders(Data()));
    UseVersion(kVersion1, "1.0");
    fake::RunElevated(c.elevated);
    WriteBytes(Root() + "/config/tovalin2.ini", "[Options]\ndataDir=C:\\Program Files\\Tovalin\n");
    ASSERT_EQ(Sequences()[c.sequence].install(true), ExitSuccess);
    Texts events;
    for (const auto& e : fake::Events()) {
      if (e.rfind("move:", 0) == 0 || e.rfind("link:", 0) == 0) events.push_back(e);
    }
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(Happened("dde:start"), c.sequence == 0);
  }
}

TEST_F(UpdateTest, TheUninstallerFollowsTheInstallationsScopeNotItsOwnToken) {
  struct Case {
    const char* label;
    bool installedElevated;
    bool uninstallerElevated;
    bool silent;
    int status;
    const char* entryDeleted;  // null: none
  };
  const std::vector<Case> cases = {
      {"for all users, removed unelevated and unattended", true, false, true, ExitNeedsAdministrator, nullptr},
      {"for all users, removed unelevated, elevation declined", true, false, false, ExitNeedsAdministrator, nullptr},
      {"for the user, removed elevated", false, true, true, ExitSuccess, "entry:delete HKCU\\Tovalin"},
      {"for all users, removed elevated", true, true, true, ExitSuccess, "entry:delete HKLM\\Tovalin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(RemoveTree(Data()) && MakeFolders(Data()));
    UseVersion(kVersion2, "2.0");
    fake::RunElevated(c.installedElevated);
    ASSERT_EQ(RunUnattendedInstallation(InstallerDataRead, "C:\\Program Files\\Tovalin", false), ExitSuccess);
    const Texts installed = FolderEntries(Data());
    fake::Reset();
    fake::RunElevated(c.uninstallerElevated);
    EXPECT_EQ(RunUninstallation(InstallerDataRead, c.silent), c.status);
    const auto& events = fake::Events();
    if (c.entryDeleted == nullptr) {
      // Nothing removed, and never "not installed": the elevated copy was asked for, or the status says why.
      EXPECT_EQ(FolderEntries(Data()), installed);
      EXPECT_EQ(std::count(events.begin(), events.end(), "elevate /ELEVATED"), c.silent ? 0 : 1);
      if (!c.silent) {
        ASSERT_EQ(fake::Messages().size(), 1u);
        EXPECT_NE(fake::Messages()[0].text.find("only an administrator can remove it"), std::string::npos);
      }
    } else {
      EXPECT_TRUE(FolderEntries(Data()).empty());
      EXPECT_EQ(std::count(events.begin(), events.end(), c.entryDeleted), 1);
    }
  }
}

TEST_F(UpdateTest, TheUninstallersListOfWhatWasLeftEndsWithACountOfTheRest) {
  // 200 files of 60-character names that cannot be deleted (a folder stands in each one's place):
  // more than the one message holds.
  std::vector<fake::ProductFile> files;
  for (int i = 0; i < 200; ++i) {
    char name[64];
    snprintf(name, sizeof name, "data\\file number %03d with a name of sixty characters in all.txt", i);
    files.push_back({name, "x"});
  }
  files.push_back({"uninst.exe", "uninstaller"});
  UseVersion(files, "1.0");
  fake::Settings.mainExecutable = "uninst.exe";
  // The installation creates the directory, which then is one more thing left.
  ASSERT_TRUE(RemoveTree(Data()));
  ASSERT_EQ(RunUnattendedInstallation(InstallerDataRead, "C:\\Program Files\\Tovalin", false), ExitSuccess);
  for (const auto& file : files) {
    std::string path = file.name;
    for (char& c : path) c = c == '\\' ? '/' : c;
    if (path.rfind("data/", 0) != 0) continue;
    ASSERT_EQ(unlink(In(path).c_str()), 0);
    ASSERT_EQ(mkdir(In(path).c_str(), 0777), 0);
  }
  fake::Reset();
  fake::AnswerNext(kAnswerYes);
  EXPECT_EQ(RunUninstallation(InstallerDataRead, false), ExitLeftBehind);
  const std::string text = fake::Messages().back().text;
  EXPECT_LE(text.size(), 4096u + 200u);
  // Every line names a file in full, and the count covers the rest and the directory itself.
  size_t listed = 0;
  for (size_t at = text.find("\n    "); at != std::string::npos; at = text.find("\n    ", at + 1)) ++listed;
  const size_t more = text.find("    and ");
  ASSERT_NE(more, std::string::npos);
  EXPECT_EQ(std::stoul(text.substr(more + 8)), 201 - (listed - 1));
  // Once a line is left out every later one is, the data directory's shorter one too.
  EXPECT_NE(text.find("all.txt\n    and "), std::string::npos) << text.substr(more > 300 ? more - 300 : 0, 400);
}

TEST_F(UpdateTest, AFailedUpdateLeavesTheEarlierVersionAsItWas) {
  // Version 2's program does not fit on the "disk" (45,000 bytes a file); a new file in a new
  // folder and the earlier uninstaller come before it.
  std::vector<fake::ProductFile> version2 = {{"new\\first.txt", "new"}, {"uninst.exe", "uninstaller 2"}};
  version2.insert(version2.end(), kVersion2.begin(), kVersion2.end() - 1);
  for (const Sequence& sequence : Sequences()) {
    SCOPED_TRACE(sequence.label);
    ASSERT_TRUE(RemoveTree(Data()) && MakeFolders(Data() + "/shared"));
    UseVersion(kVersion1, "1.0");
    ASSERT_EQ(sequence.install(true), ExitSuccess);
    const std::string record = Record();

    UseVersion(version2, "2.0");
    int status = -1;
    WithFileSizeLimit(45000, [&] { status = sequence.install(false); });
    if (sequence.label == std::string("unattended")) {
      EXPECT_EQ(status, ExitWriteFailed);
    }
    for (const auto& file : kVersion1) {
      std::string path = file.name;
      for (char& c : path) c = c == '\\' ? '/' : c;
      EXPECT_EQ(ReadBytes(In(path)), file.contents) << file.name;
    }
    EXPECT_EQ(FolderEntries(Data()), (Texts{"bin", "docs", "old", "shared", "uninst.dat", "uninst.exe"}));
    EXPECT_EQ(FolderEntries(In("bin")), Texts{"tov32.exe"});
    EXPECT_EQ(Record(), record);
    EXPECT_TRUE(fake::ExecutedCommands().empty());
  }
}

}  // namespace
