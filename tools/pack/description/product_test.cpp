// Tests that instpack refuses malformed products with a clear message and leaves no output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tools/pack/description/file_entries.h"
#include "tools/pack/description/name_messages.h"
#include "tools/pack/description/product.h"
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
    {"SourceTooLarge", {{"files", "[\"tov32.exe\", \"uninst.exe\", \"big.bin\"]"}}, "more than the 67,108,864 an installer holds"},
    // Payload file names.
    {"FileNamedLikeTheRecord", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"Uninst.Dat\", source = \"docs/help.htm\" }]"}},
     "files: \"Uninst.Dat\": the installer keeps a file of its own by that name"},
    {"FileNamedLikeAReplacedCopy", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"bin\\\\a.dll.REPLACED\", source = \"docs/help.htm\" }]"}},
     "the installer keeps a file of its own by that name"},
    {"EmptyFileList", {{"files", "[]"}}, "files: empty list"},
    {"TooManyFiles", {{"files", kTooManyFiles.c_str()}}, "files: 1048577 files, more than the 1,048,576 an installer holds"},
    {"NameEmpty", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"\", source = \"tov32.exe\" }]"}},
     "files[2] \"\": empty"},
    {"PathFromRoot", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"/docs/a.htm\", source = \"tov32.exe\" }]"}},
     "\"/docs/a.htm\": a path's names are separated by single '/' or '\\', none at either end"},
    {"PathDoubledSeparator", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = 'docs\\\\a.htm', source = \"tov32.exe\" }]"}},
     "none at either end"},
    {"PathWithDrive", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"C:/a.htm\", source = \"tov32.exe\" }]"}},
     "contains ':'"},
    {"PathWithDotDot", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"docs/../a.htm\", source = \"tov32.exe\" }]"}},
     "\"docs/../a.htm\": not a file name"},
    {"PathFolderIsDevice", {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"aux/a.htm\", source = \"tov32.exe\" }]"}},
     "reserved device name"},
    {"FileWhereFolderIs",
     {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"docs/a.htm\", source = \"tov32.exe\" }, "
                "{ name = \"DOCS\", source = \"tov32.exe\" }]"}},
     "files[3] \"DOCS\": the name of a folder of files[2] \"docs\\\\a.htm\""},
    {"FolderWhereFileIs",
     {{"files", "[\"tov32.exe\", \"uninst.exe\", { name = \"docs\", source = \"tov32.exe\" }, "
                "{ name = 'Docs\\a.htm', source = \"tov32.exe\" }]"}},
     "in a folder of the name of files[2] \"docs\""},
    {"TreeNotAFolder", {{"files", "[\"tov32.exe\", \"uninst.exe\", { tree = \"absent\" }]"}},
     "files[2] (tree \"absent\"): "},
    {"TreeEmpty", {{"files", "[\"tov32.exe\", \"uninst.exe\", { tree = \"adir\" }]"}},
     "files[2] (tree \"adir\"): no file to pack"},
    {"TreeIntoBadPath", {{"files", "[\"tov32.exe\", \"uninst.exe\", { tree = \"docs\", into = \"a/\" }]"}},
     "into \"a/\": a path's names"},
    {"TreeUnknownKey", {{"files", "[\"tov32.exe\", \"uninst.exe\", { tree = \"docs\", name = \"x\" }]"}},
     "files[2]: unknown key \"name\" (expected tree, into, exclude)"},
    {"TreeExcludeNotList", {{"files", "[\"tov32.exe\", \"uninst.exe\", { tree = \"docs\", exclude = \"*.pdb\" }]"}},
     "files[2].exclude: expected an array of patterns"},
    {"MainPathNotAmongFiles", {{"mainExecutable", "\"bin/tov32.exe\""}}, "not among the files"},
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
    {"TitleNotAFileName", {{"appTitle", "\"Tovalin 2: Notes\""}}, "appTitle \"Tovalin 2: Notes\": contains ':'"},
    {"TitleUpAFolder", {{"appTitle", "\"..\\\\Notes\""}}, "appTitle \"..\\\\Notes\": "},
    {"TitleADevice", {{"appTitle", "\"con\""}}, "appTitle \"con\": "},
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
    // Sparse, so the bound on pieces is tested without writing two terabytes.
    WriteBytes(product_ + "/big.bin", "");
    ASSERT_EQ(truncate((product_ + "/big.bin").c_str(), 67108864LL * 30000 + 1), 0);
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

namespace {

// The tree entries' walk: its order, the exclude patterns, symbolic links and collisions, over
// one scratch tree. Each case expands its entries and expects either the installed paths in
// order or a fragment of the refusal.
struct TreeCase {
  const char* label;
  std::vector<FileEntry> entries;
  std::vector<std::string> paths;  // expected, in order; empty when `refusal` is expected
  const char* refusal;
};

TEST(TreeEntries, WalkOrderExcludesLinksAndCollisions) {
  const std::string root = MakeScratchFolder();
  for (const char* file : {"t/b.txt", "t/a.txt", "t/A-dir/x.pdb", "t/A-dir/y.txt", "t/__pycache__/m.pyc",
                           "t/sub/__pycache__/n.pyc", "t/sub/z.py", "t/tests/data/d.bin", "t/sub/tests/data/e.bin",
                           "t/\u00DCber/\u0434.txt", "t/with space/f.txt", "loop/inner/x.txt", "broken/x.txt", "solo/only.pdb"}) {
    WriteBytes(root + "/" + file, file);
  }
  ASSERT_EQ(symlink("sub", (root + "/t/link-to-sub").c_str()), 0);
  ASSERT_EQ(symlink("a.txt", (root + "/t/link-to-a").c_str()), 0);
  ASSERT_EQ(symlink("..", (root + "/loop/inner/back").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (root + "/broken/dangling").c_str()), 0);
  auto tree = [](const char* folder, const char* into = "", std::vector<std::string> exclude = {}) {
    FileEntry entry;
    entry.where = "files[0]";
    entry.tree = folder;
    entry.into = into;
    entry.exclude = std::move(exclude);
    return entry;
  };
  FileEntry single;
  single.where = "files[1]";
  single.name = single.source = "A-DIR/Y.TXT";
  const TreeCase cases[] = {
      {"byte order, folders where their names sort, links followed",
       {tree("t")},
       {"A-dir\\x.pdb", "A-dir\\y.txt", "__pycache__\\m.pyc", "a.txt", "b.txt", "link-to-a",
        "link-to-sub\\__pycache__\\n.pyc", "link-to-sub\\tests\\data\\e.bin", "link-to-sub\\z.py",
        "sub\\__pycache__\\n.pyc", "sub\\tests\\data\\e.bin", "sub\\z.py", "tests\\data\\d.bin", "with space\\f.txt",
        "\u00DCber\\\u0434.txt"},
       nullptr},
      {"excludes: a name anywhere, a folder anywhere, a folder from the root; into a folder",
       {tree("t", "runtime/lib", {"*.PDB", "__pycache__/", "/tests/data/", "link-*", "link-*/", "with space/f.txt"})},
       {"runtime\\lib\\A-dir\\y.txt", "runtime\\lib\\a.txt", "runtime\\lib\\b.txt", "runtime\\lib\\sub\\tests\\data\\e.bin",
        "runtime\\lib\\sub\\z.py", "runtime\\lib\\\u00DCber\\\u0434.txt"},
       nullptr},
      {"a folder pattern leaves files of that name", {tree("t", "", {"a.txt/", "*/", "link-to-a"})}, {"a.txt", "b.txt"}, nullptr},
      {"a link back into the walk is a loop", {tree("loop")}, {}, "leads back into"},
      {"a broken link", {tree("broken")}, {}, "dangling\": a symbolic link to nothing"},
      {"every file excluded", {tree("solo", "", {"*.pdb"})}, {}, "files[0] (tree \"solo\"): no file to pack"},
      {"a file of the tree again, in another case", {tree("t"), single}, {}, "files[1] \"A-DIR/Y.TXT\": same name as files[0] \"A-dir\\\\y.txt\""},
  };
  for (const TreeCase& test : cases) {
    std::vector<ProductFile> files;
    std::vector<std::string> folders;
    const std::string problem = ExpandFileEntries(test.entries, root, &files, &folders);
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const ProductFile& file : files) paths.push_back(file.name);
    if (test.refusal == nullptr) {
      EXPECT_EQ(problem, "") << test.label;
      EXPECT_EQ(paths, test.paths) << test.label;
      for (const ProductFile& file : files) EXPECT_TRUE(PathExists(file.sourcePath)) << test.label << ": " << file.sourcePath;
    } else {
      EXPECT_NE(problem.find(test.refusal), std::string::npos) << test.label << ": " << problem;
    }
  }
  RemoveTree(root);
}

TEST(TreeEntries, PathRule) {
  for (const char* good : {"a", "bin\\app.exe", "a b\\c d\\e.txt", "\u00DCber\\\u0434.txt"}) {
    EXPECT_EQ(PayloadPathProblem(good).kind, NameFine) << good;
  }
  const struct {
    const char* path;
    NameProblemKind kind;
  } bad[] = {{"", NameEmpty},          {"\\a", NameBadSeparator},       {"a\\", NameBadSeparator},
             {"a\\\\b", NameBadSeparator}, {"a/b", NameBadSeparator},  {"C:\\a", NameHasRefused},
             {"a\\..\\b", NameIsDots},  {"a\\nul\\b", NameIsDevice},    {"a.\\b", NameEndsInDot}};
  for (const auto& test : bad) EXPECT_EQ(PayloadPathProblem(test.path).kind, test.kind) << test.path;
  std::string deep;
  while (deep.size() + 4 <= kMaxPathBytes) deep += deep.empty() ? "abc" : "\\abc";
  EXPECT_EQ(PayloadPathProblem(deep.c_str()).kind, NameFine);
  EXPECT_EQ(PayloadPathProblem((deep + "\\abcdefgh").c_str()).kind, NameTooLong);
  EXPECT_EQ(PayloadPathProblem(std::string(256, 'a').c_str()).kind, NameTooLong);
}

}  // namespace
