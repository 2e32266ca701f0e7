// Tests that instpack refuses malformed products with a clear message and leaves no output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "product.h"
#include "product/names.h"
#include "tests/support/pack_support.h"
#include "tests/support/scratch_folder.h"

namespace {

// A description every case starts from; it packs without error.
const char* const kBaseKeys[][2] = {
    {"groupName", "\"Tovalin\""},
    {"appTitle", "\"Tovalin\""},
    {"iniFileName", "\"tovalin2.ini\""},
    {"offerStartupGroup", "false"},
    {"startupPrompt", "\"Add it to the Startup group?\""},
    {"mainExecutable", "\"tov32.exe\""},
    {"files", "[\"tov32.exe\", { name = \"help.htm\", source = \"docs/help.htm\" }, \"uninst.exe\"]"},
};

// Replaces the value of `key` (dropping the line when `value` is null) or, for a key the base
// lacks or an empty key, appends the line "key = value" or the raw `value`.
struct Edit {
  const char* key;
  const char* value;
};

struct BadProduct {
  const char* label;
  std::vector<Edit> edits;
  const char* fragment;  // a distinctive part of the expected message
};

std::string Describe(const std::vector<Edit>& edits) {
  std::string text;
  std::vector<Edit> pending = edits;
  for (const auto& base : kBaseKeys) {
    const char* value = base[1];
    bool drop = false;
    for (auto it = pending.begin(); it != pending.end(); ++it) {
      if (std::string(it->key) == base[0]) {
        value = it->value;
        drop = value == nullptr;
        pending.erase(it);
        break;
      }
    }
    if (!drop) text += std::string(base[0]) + " = " + value + "\n";
  }
  for (const Edit& edit : pending) {
    text += *edit.key ? std::string(edit.key) + " = " + edit.value + "\n" : std::string(edit.value) + "\n";
  }
  return text;
}

const std::string kLongName(256, 'a');
const std::string kLongNameToml = "[\"tov32.exe\", \"uninst.exe\", \"" + kLongName + "\"]";
const std::string kLongTitle = "\"" + std::string(201, 'T') + "\"";
const std::string kLongPrompt = "\"" + std::string(1025, 'p') + "\"";
// One file more than the installer's reader takes; the count is refused before any name is read.
std::string ManyFiles(size_t count) {
  std::string list = "[\"tov32.exe\", \"uninst.exe\"";
  for (size_t i = 2; i < count; ++i) list += ", \"a\"";
  return list + "]";
}
const std::string kTooManyFiles = ManyFiles(1048577);

const BadProduct kBadProducts[] = {
    // The description as a document.
    {"NotToml", {{"", "groupName = "}}, "product.toml:8:"},
    {"KeyTwice", {{"", "appTitle = \"Other\""}}, "cannot redefine existing string 'appTitle'"},
    {"UnknownKey", {{"grupName", "\"Tovalin\""}}, "unknown key \"grupName\" at line 8"},
    {"MissingKey", {{"iniFileName", nullptr}}, "missing key \"iniFileName\""},
    {"TextOfWrongType", {{"appTitle", "5"}}, "appTitle: expected a string"},
    {"FlagOfWrongType", {{"offerStartupGroup", "\"yes\""}}, "offerStartupGroup: expected a boolean or an integer"},
    {"FlagTooWide", {{"offerStartupGroup", "4294967296"}}, "does not fit in 32 bits"},
    {"FilesNotAnArray", {{"files", "\"tov32.exe\""}}, "files: expected an array"},
    {"FileEntryOfWrongType", {{"files", "[\"tov32.exe\", \"uninst.exe\", 7]"}}, "files[2]: expected a file name"},
    {"FileEntryUnknownKey", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"a\", sorce = \"b\" }]"}},
     "files[2]: unknown key \"sorce\""},
    {"FileEntryWithoutName", {{"files", "[\"tov32.exe\", \"uninst.exe\", { source = \"b\" }]"}},
     "files[2]: missing key \"name\""},
    // Source files.
    {"SourceMissing", {{"files", "[\"tov32.exe\", \"uninst.exe\", \"absent.dat\"]"}},
     "files[2] \"absent.dat\": cannot open"},
    {"SourceIsDirectory", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"a.dat\", source = \"adir\" }]"}},
     "adir is a directory"},
    {"SourceIsSymlinkLoop", {{"files", "[\"tov32.exe\", \"uninst.exe\", \"loop\"]"}},
     "Too many levels of symbolic links"},
    {"SourceTooLarge", {{"files", "[\"tov32.exe\", \"uninst.exe\", \"big.bin\"]"}}, "more than the 2,000,000,000"},
    // Payload file names.
    {"EmptyFileList", {{"files", "[]"}}, "files: empty list"},
    {"TooManyFiles", {{"files", kTooManyFiles.c_str()}}, "files: 1048577 files, more than the 1,048,576 an installer holds"},
    {"NameEmpty", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"\", source = \"tov32.exe\" }]"}},
     "files[2] \"\": empty"},
    {"NameWithDirectory", {{"files", "[\"tov32.exe\", \"uninst.exe\", \"docs/help.htm\"]"}}, "has a directory part"},
    {"NameWithBackslash", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = 'a\\b', source = \"tov32.exe\" }]"}},
     "has a directory part"},
    {"NameDotDot", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"..\", source = \"tov32.exe\" }]"}},
     "\"..\": not a file name"},
    {"NameWithWildcard", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"a?.txt\", source = \"tov32.exe\" }]"}},
     "contains '?'"},
    {"NameWithControl", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"a\\tb\", source = \"tov32.exe\" }]"}},
     "\"a\\x09b\": contains a control character"},
    {"NameTrailingDot", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"readme.\", source = \"tov32.exe\" }]"}},
     "ends with a dot"},
    {"NameTrailingSpace", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"readme \", source = \"tov32.exe\" }]"}},
     "ends with a space"},
    {"NameDevice", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"CON.txt\", source = \"tov32.exe\" }]"}},
     "files[2] \"CON.txt\": reserved device name"},
    {"NameDeviceMixedCase", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"Com1.log\", source = \"tov32.exe\" }]"}},
     "reserved device name"},
    {"NameTooLong", {{"files", kLongNameToml.c_str()}}, "longer than 255 bytes"},
    {"NameNotUtf8", {{"files", "[\"tov32.exe\", \"uninst.exe\",\n  { name = \"caf\xE9.txt\", source = \"tov32.exe\" }]"}},
     "product.toml:8: not valid UTF-8 (byte 0xE9 at column 16; save the description as UTF-8)"},
    {"NamesCollide", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"TOV32.exe\", source = \"tov32.exe\" }]"}},
     "files[2] \"TOV32.exe\": same name as files[0] \"tov32.exe\""},
    {"NamesCollideAccented",
     {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"\xC3\xA9t\xC3\xA9\", source = \"tov32.exe\" }, "
                "{ name = \"\xC3\x89T\xC3\x89\", source = \"tov32.exe\" }]"}},
     "same name as files[2]"},
    {"MainNotAmongFiles", {{"mainExecutable", "\"other.exe\""}}, "mainExecutable \"other.exe\": not among the files"},
    {"NoUninstaller", {{"files", "[\"tov32.exe\"]"}}, "no \"uninst.exe\""},
    // Settings.
    {"GroupEmpty", {{"groupName", "\"\""}}, "groupName \"\": empty"},
    {"AppTitleEmpty", {{"appTitle", "\"\""}}, "appTitle \"\": empty"},
    {"IniEmpty", {{"iniFileName", "\"\""}}, "iniFileName \"\": empty"},
    {"MainEmpty", {{"mainExecutable", "\"\""}}, "mainExecutable \"\": empty"},
    {"PromptEmptyWhenOffered", {{"offerStartupGroup", "true"}, {"startupPrompt", "\"\""}}, "startupPrompt: empty while"},
    {"TitleNotUtf8", {{"appTitle", "\"Caf\xE9\""}}, "product.toml:2: appTitle: not valid UTF-8 (byte 0xE9 at column 16;"},
    {"PromptWithNul", {{"startupPrompt", "\"a\\u0000b\""}}, "startupPrompt: contains a NUL character"},
    {"IniWithDirectory", {{"iniFileName", "'C:\\tovalin2.ini'"}}, "iniFileName \"C:\\\\tovalin2.ini\": has a directory part"},
    {"MainIsDevice", {{"mainExecutable", "\"aux.exe\""}}, "mainExecutable \"aux.exe\": reserved device name"},
    {"GroupNotAFolderName", {{"groupName", "\"Tovalin: 2\""}}, "groupName \"Tovalin: 2\": contains ':'"},
    {"GroupBreaksProgman", {{"groupName", "\"Tovalin (beta)\""}}, "breaks the Program Manager command"},
    {"TitleBreaksProgman", {{"appTitle", "\"Tovalin, the app\""}}, "appTitle \"Tovalin, the app\": contains ','"},
    {"GroupTooLong", {{"groupName", kLongTitle.c_str()}}, "TT\": longer than 200 bytes"},
    {"TitleTooLong", {{"appTitle", kLongTitle.c_str()}}, "TT\": longer than 200 bytes"},
    {"PromptTooLong", {{"startupPrompt", kLongPrompt.c_str()}}, "startupPrompt: longer than 1,024 bytes"},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const BadProduct& bad, std::ostream* out) { *out << bad.label; }

class BadProductTest : public testing::TestWithParam<BadProduct> {
 protected:
  void SetUp() override {
    root_ = MakeScratchFolder();
    product_ = root_ + "/product";
    out_ = root_ + "/out";
    WriteBytes(product_ + "/tov32.exe", "MZ program");
    WriteBytes(product_ + "/uninst.exe", "MZ uninstaller");
    WriteBytes(product_ + "/docs/help.htm", "<p>help</p>");
    std::filesystem::create_directories(product_ + "/adir");
    ASSERT_EQ(symlink("loop", (product_ + "/loop").c_str()), 0);
    // Sparse, so the size bound is tested without writing two gigabytes.
    WriteBytes(product_ + "/big.bin", "");
    ASSERT_EQ(truncate((product_ + "/big.bin").c_str(), 2000000001), 0);
    // Outputs of an earlier, good run: a failed run must not leave them for the build to use.
    WriteEarlierOutputs(out_ + "/setup");
  }
  void TearDown() override { RemoveTree(root_); }

  std::string root_, product_, out_;
};

TEST_P(BadProductTest, FailsWithMessageAndNoOutput) {
  const BadProduct& bad = GetParam();
  WriteBytes(product_ + "/product.toml", Describe(bad.edits));
  std::string error;
  std::vector<std::string> args = {product_ + "/product.toml", "--depfile", out_ + "/setup.d", "--threads", "2"};
  for (const std::string& arg : NativeOutput(out_ + "/setup")) args.push_back(arg);
  const int status = RunTool(args, &error);
  EXPECT_EQ(status, 1);
  EXPECT_NE(error.find(bad.fragment), std::string::npos) << "message: " << error;
  EXPECT_EQ(error.rfind(product_ + "/product.toml", 0), 0u) << "message should name the description: " << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_TRUE(FolderEntries(out_).empty()) << "left: " << testing::PrintToString(FolderEntries(out_));
}

INSTANTIATE_TEST_SUITE_P(Malformed, BadProductTest, testing::ValuesIn(kBadProducts),
                         [](const testing::TestParamInfo<BadProduct>& info) { return info.param.label; });

TEST(BadDescription, MissingDescriptionFileIsReported) {
  const std::string root = MakeScratchFolder();
  std::string error;
  EXPECT_EQ(RunTool({root + "/absent.toml", "-o", root + "/out/setup.exe"}, &error), 1);
  EXPECT_NE(error.find("absent.toml: cannot read: No such file or directory"), std::string::npos) << error;
  EXPECT_TRUE(FolderEntries(root + "/out").empty());
  RemoveTree(root);
}

TEST(BadDescription, DescriptionThatIsAFolderIsReported) {
  const std::string root = MakeScratchFolder();
  std::string error;
  EXPECT_EQ(RunTool({root, "-o", root + "/out/setup.exe"}, &error), 1);
  EXPECT_EQ(error, root + ": is a directory");
  RemoveTree(root);
}

TEST(CommandLine, MisuseExitsWithTwo) {
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"product.toml"},                                  // no -o
      {"product.toml", "-o", "setup.exe", "--threads", "0"},  // no worker at all
      {"product.toml", "-o", "setup.exe", "--threads", "many"},
      {"product.toml", "-o", "setup.exe", "--fast"},
      {"product.toml", "-o", "setup.exe", "--target", "win16"},
  };
  for (const auto& args : misuses) {
    std::string error;
    EXPECT_EQ(RunTool(args, &error), 2) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

// The name rules on their own (product/names.h, which the installer's reader applies too), for
// the cases a description cannot easily spell.
std::string Problem(const std::string& name) {
  return DescribeNameProblem(FileNameProblem(name.c_str()));
}

TEST(FileNameProblem, AcceptsOrdinaryNamesAndRefusesDevices) {
  for (const char* good : {"tov32.exe", "a", ".profile", "con2.txt", "CONSOLE", "com10", "lpt0.log", "nul_x",
                           "Read me.txt", " leading space", "caf\xC3\xA9.txt", "\xE9\xAC\xBC\xE5\xA1\x9A.txt",
                           "\xF0\x9F\x93\x84.txt"}) {
    EXPECT_EQ(Problem(good), "") << good;
  }
  for (const char* device : {"con", "PRN.txt", "Aux.tar.gz", "nul", "COM9", "lpt1.x", "NUL .txt", "com\xC2\xB9",
                             "LPT\xC2\xB3.log", "conout$", "CONIN$.txt"}) {
    EXPECT_EQ(Problem(device), "reserved device name") << device;
  }
  EXPECT_EQ(Problem(std::string(255, 'x')), "");
  EXPECT_EQ(Problem(std::string(256, 'x')), "longer than 255 bytes");
  EXPECT_EQ(Problem(std::string("a\x1f", 2)), "contains a control character");
  EXPECT_EQ(Problem("caf\xE9.txt"), "not valid UTF-8");       // Windows-1252, not UTF-8
  EXPECT_EQ(Problem("\xED\xA0\x80.txt"), "not valid UTF-8");  // a surrogate
  for (char c : std::string("<>:\"|?*")) EXPECT_EQ(Problem(std::string("a") + c), std::string("contains '") + c + "'");
}

}  // namespace
