// Malformed products the packaging tool must turn away with an exact one-line error and no output,
// beyond the per-rule cases beside its sources: special files as sources, files that grow while
// read, the remaining name rules, and texts exactly at and just past their bounds.
#include <gtest/gtest.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/pack_support.h"
#include "tests/support/scratch_folder.h"


namespace {

// One file entry or setting line that replaces the base description's; `error` is the message
// expected after "<description>: ", with {dir} standing for the product folder.
struct BadInput {
  const char* label;
  std::string line;   // "key = value" replacing the base key of the same name
  std::string error;
};

const char* const kBase[] = {
    "groupName = \"Tovalin\"",
    "appTitle = \"Tovalin\"",
    "iniFileName = \"tovalin2.ini\"",
    "offerStartupGroup = false",
    "startupPrompt = \"Add it to the Startup group?\"",
    "mainExecutable = \"tov32.exe\"",
    "files = [\"tov32.exe\", \"uninst.exe\"]",
};

// The base description with `line` replacing the line of the same key (or appended).
std::string Description(const std::string& line) {
  const std::string key = line.substr(0, line.find(' '));
  std::string text;
  bool replaced = false;
  for (const char* base : kBase) {
    const std::string baseLine = base;
    if (!key.empty() && baseLine.compare(0, key.size() + 1, key + " ") == 0) {
      text += line + "\n";
      replaced = true;
    } else {
      text += baseLine + "\n";
    }
  }
  if (!replaced) text += line + "\n";
  return text;
}

// A files list with the two required files and `entry` third.
std::string Files(const std::string& entry) { return "files = [\"tov32.exe\", \"uninst.exe\", " + entry + "]"; }

std::string Repeat(const std::string& unit, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += unit;
  return text;
}

const std::string kNoKey = ":8:2: Error while parsing key: expected bare key starting character or string delimiter, saw ";
const std::string kE = "\xC3\xA9";  // é: two bytes, in the description and in the installer
const std::string kNotIdentifier =
    "not a package identifier (two to eight parts of at most 32 characters with dots between, such as "
    "Velbrook.Tovalin, without spaces or \\ / : * ? \" < > |)";
const std::string kNotVersion = "not a version (one to four numbers from 0 to 65535 with dots between, such as 2.1.0)";

std::vector<BadInput> BadInputs() {
  std::vector<BadInput> cases = {
      // Sources that are not plain readable files.
      {"SourceIsNamedPipe", Files("{ name = \"a.dat\", source = \"pipe\" }"),
       "files[2] \"a.dat\": {dir}/pipe is not a regular file"},
      {"SourceIsSocket", Files("{ name = \"a.dat\", source = \"socket\" }"),
       "files[2] \"a.dat\": cannot open {dir}/socket: No such device or address"},
      {"SourceIsDevice", Files("{ name = \"a.dat\", source = \"/dev/null\" }"),
       "files[2] \"a.dat\": /dev/null is not a regular file"},
      {"SourceIsDanglingLink", Files("{ name = \"a.dat\", source = \"dangling\" }"),
       "files[2] \"a.dat\": cannot open {dir}/dangling: No such file or directory"},
      {"SourceGrowsWhileRead", Files("{ name = \"status\", source = \"/proc/self/status\" }"),
       "files[2] \"status\": /proc/self/status changed size while being read"},
      {"SourceEmpty", Files("{ name = \"a.dat\", source = \"\" }"), "files[2] \"a.dat\": empty source"},
      {"NameNotAString", Files("{ name = 5 }"), "files[2].name: expected a string"},
      // Name rules the per-rule table leaves to the name check alone.
      {"NameDot", Files("{ name = \".\", source = \"tov32.exe\" }"), "files[2] \".\": not a file name"},
      {"NameOnlySpaces", Files("{ name = \"   \", source = \"tov32.exe\" }"),
       "files[2] \"   \": ends with a space (Windows drops it)"},
      {"NameDeviceWithSpaces", Files("{ name = \"LPT3  .txt\", source = \"tov32.exe\" }"),
       "files[2] \"LPT3  .txt\": reserved device name"},
      // Settings given in ways the reader must not accept.
      {"SettingAsSection", "[Options]",
       "unknown key \"Options\" at line 8 (expected groupName, appTitle, iniFileName, offerStartupGroup, "
       "startupPrompt, mainExecutable, files, and optionally publisher, productName, fileDescription, version, "
       "copyright, icon, executionLevel, productId, urlInfoAbout, helpLink, packageIdentifier, license, "
       "shortDescription, installerUrl)"},
      {"SettingGivenTwiceAsDottedKey", "files.name = \"x\"", ""},  // the TOML reader's own words
      // Outside strings and comments TOML allows ASCII only; the reader's character tables used to
      // reach an "unreachable" point on such characters.
      {"UnquotedAccentedValue", "appTitle = Caf" + kE, ":2:12: Error while parsing value: could not determine value type"},
      {"AccentedBareKey", kE + "t\u00e9 = 1", ":8:1: Error while parsing root table: expected keys, tables, whitespace or comments, saw '" + kE + "'"},
      {"AccentedAfterAValue", "groupName = \"Tovalin\" \xE3\x80\x80",
       ":1:23: Error while parsing key-value pair: expected space or tab, saw '\\u3000'"},
      // A table header must name its table; the reader used to assert that a key follows.
      {"HeaderBracketThenNewline", "[", kNoKey + "'\\n'"},
      {"HeaderBracketThenEquals", "[=]", kNoKey + "'='"},
      {"ArrayHeaderBracketThenDot", "[[ .a]]", ":8:4" + kNoKey.substr(4) + "'.'"},
      // Found by fuzzing: the reader's own consistency check failed on an array closed by '}'.
      {"ArrayClosedByBrace", "files = [}", ":7:10: Error while parsing value: could not determine value type"},
      {"FlagAsFloat", "offerStartupGroup = 1.5", "offerStartupGroup: expected a boolean or an integer at line 4"},
      // Texts one past their bounds, counted in bytes of UTF-8 (two for each accented letter).
      {"TitleOneOver", "appTitle = \"" + Repeat(kE, 100) + "T\"",
       "appTitle \"" + Repeat(kE, 100) + "T\": longer than 200 bytes"},
      {"GroupOneOver", "groupName = \"" + Repeat(kE, 100) + "G\"",
       "groupName \"" + Repeat(kE, 100) + "G\": longer than 200 bytes"},
      {"PromptOneOver", "startupPrompt = \"" + Repeat(kE, 512) + "p\"", "startupPrompt: longer than 1,024 bytes"},
      // The installer's identity.
      {"VersionWithLetter", "version = \"1.2.x\"", "version \"1.2.x\": " + kNotVersion},
      {"VersionOfFiveNumbers", "version = \"1.2.3.4.5\"", "version \"1.2.3.4.5\": " + kNotVersion},
      {"VersionNumberOver16Bits", "version = \"1.65536\"", "version \"1.65536\": " + kNotVersion},
      {"VersionEndingInDot", "version = \"2.\"", "version \"2.\": " + kNotVersion},
      {"VersionNotAString", "version = 2", "version: expected a string at line 8"},
      {"PublisherWithTab", "publisher = \"a\\tb\"", "publisher \"a\\x09b\": contains a control character"},
      {"CopyrightTooLong", "copyright = \"" + Repeat(kE, 261) + "\"", "copyright \"" + Repeat(kE, 261) + "\": longer than 260 characters"},
      {"UnknownExecutionLevel", "executionLevel = \"admin\"",
       "executionLevel \"admin\": not an execution level (requireAdministrator, highestAvailable or asInvoker)"},
      {"IconMissing", "icon = \"absent.ico\"", "icon: {dir}/absent.ico: cannot read: No such file or directory"},
      // The entry among the installed programs.
      {"ProductIdWithSpace", "productId = \"Tovalin Beta\"",
       "productId \"Tovalin Beta\": only ASCII letters, digits, '.', '-' and '_' may name a product's entry"},
      {"ProductIdNonAscii", "productId = \"Caf" + kE + "\"",
       "productId \"Caf" + kE + "\": only ASCII letters, digits, '.', '-' and '_' may name a product's entry"},
      {"ProductIdEmpty", "productId = \"\"", "productId \"\": empty"},
      {"ProductIdOneOver", "productId = \"" + Repeat("p", 129) + "\"",
       "productId \"" + Repeat("p", 129) + "\": longer than 128 characters"},
      {"ProductIdNotAString", "productId = 7", "productId: expected a string at line 8"},
      {"AddressNotWeb", "urlInfoAbout = \"www.velbrook.example\"",
       "urlInfoAbout \"www.velbrook.example\": not a web address (one that begins with https:// or http://)"},
      {"AddressWithSpace", "helpLink = \"https://velbrook.example/tovalin help\"",
       "helpLink \"https://velbrook.example/tovalin help\": contains a space or a control character (write it as %20 "
       "and the like)"},
      {"AddressOneOver", "helpLink = \"https://" + Repeat("h", 2041) + "\"",
       "helpLink \"https://" + Repeat("h", 2041) + "\": longer than 2,048 bytes"},
      // What a package manager's manifest takes.
      {"PackageIdentifierOnePart", "packageIdentifier = \"Tovalin\"", "packageIdentifier \"Tovalin\": " + kNotIdentifier},
      {"PackageIdentifierEmptyPart", "packageIdentifier = \"Velbrook..Tovalin\"",
       "packageIdentifier \"Velbrook..Tovalin\": " + kNotIdentifier},
      {"PackageIdentifierWithSpace", "packageIdentifier = \"Velbrook.Tovalin Notes\"",
       "packageIdentifier \"Velbrook.Tovalin Notes\": " + kNotIdentifier},
      {"PackageIdentifierPartOneOver", "packageIdentifier = \"Velbrook." + Repeat(kE, 33) + "\"",
       "packageIdentifier \"Velbrook." + Repeat(kE, 33) + "\": " + kNotIdentifier},
      {"PackageIdentifierNineParts", "packageIdentifier = \"a.b.c.d.e.f.g.h.i\"",
       "packageIdentifier \"a.b.c.d.e.f.g.h.i\": " + kNotIdentifier},
      {"LicenseTooShort", "license = \"MI\"", "license \"MI\": shorter than 3 characters"},
      {"ShortDescriptionOneOver", "shortDescription = \"" + Repeat(kE, 257) + "\"",
       "shortDescription \"" + Repeat(kE, 257) + "\": longer than 256 characters"},
      {"ShortDescriptionWithNewline", "shortDescription = \"Notes\\nand more\"",
       "shortDescription \"Notes\\x0Aand more\": contains a control character"},
      {"InstallerUrlNotWeb", "installerUrl = \"ftp://velbrook.example/setup.exe\"",
       "installerUrl \"ftp://velbrook.example/setup.exe\": not a web address (one that begins with https:// or http://)"},
      {"IconNotAnIcon", "icon = \"tov32.exe\"", "icon: {dir}/tov32.exe: not an icon file (no icon header)"},
      {"NameOneOver", Files("{ name = \"" + Repeat(kE, 128) + "\", source = \"tov32.exe\" }"),
       "files[2] \"" + Repeat(kE, 128) + "\": longer than 255 bytes"},
  };
  for (char c : std::string("<>\"|*:")) {
    const std::string shown = c == '"' ? "\\\"" : std::string(1, c);
    const std::string toml = c == '"' ? "\\\"" : std::string(1, c);
    cases.push_back({"NameWith", Files("{ name = \"a" + toml + "b\", source = \"tov32.exe\" }"),
                     "files[2] \"a" + shown + "b\": contains '" + std::string(1, c) + "'"});
  }
  return cases;
}

class PackInputsTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = MakeScratchFolder();
    product_ = root_ + "/product";
    out_ = root_ + "/out";
    WriteBytes(product_ + "/tov32.exe", "MZ program");
    WriteBytes(product_ + "/uninst.exe", "MZ uninstaller");
    ASSERT_EQ(mkfifo((product_ + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("missing/file", (product_ + "/dangling").c_str()), 0);
    // A socket cannot be opened as a file, not even by root.
    socket_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = product_ + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  void TearDown() override {
    close(socket_);
    RemoveTree(root_);
  }

  // Runs the tool on `description` over outputs of an earlier good run. Returns its status.
  int Pack(const std::string& description, std::string* error) {
    WriteEarlierOutputs(out_ + "/setup");
    WriteBytes(product_ + "/product.toml", description);
    std::vector<std::string> args = {product_ + "/product.toml", "--depfile", out_ + "/setup.d"};
    for (const std::string& arg : NativeOutput(out_ + "/setup")) args.push_back(arg);
    return RunTool(args, error);
  }

  std::string root_, product_, out_;
  int socket_ = -1;
};

TEST_F(PackInputsTest, EachMalformedProductGetsItsExactErrorAndLeavesNoOutput) {
  for (const BadInput& bad : BadInputs()) {
    SCOPED_TRACE(bad.label + (" " + bad.line));
    std::string error;
    EXPECT_EQ(Pack(Description(bad.line), &error), 1);
    const std::string prefix = product_ + "/product.toml";
    if (!bad.error.empty() && bad.error[0] == ':') {
      EXPECT_EQ(error, prefix + bad.error);
    } else if (bad.error.empty()) {
      EXPECT_EQ(error.rfind(prefix + ":8:", 0), 0u) << error;  // a TOML error at the line given
    } else {
      std::string expected = bad.error;
      const size_t dir = expected.find("{dir}");
      if (dir != std::string::npos) expected.replace(dir, 5, product_);
      EXPECT_EQ(error, prefix + ": " + expected);
    }
    EXPECT_TRUE(FolderEntries(out_).empty()) << testing::PrintToString(FolderEntries(out_));
  }
  std::string error;
  EXPECT_EQ(Pack("", &error), 1);
  EXPECT_EQ(error, product_ + "/product.toml: missing key \"groupName\"");
  EXPECT_TRUE(FolderEntries(out_).empty());
  // Found by fuzzing: a file list whose '[' opens a line is a table header cut at its bracket.
  EXPECT_EQ(Pack("[\n  { name = \"tov32.exe\" },\n", &error), 1);
  EXPECT_EQ(error, product_ + "/product.toml:1:2" + kNoKey.substr(4) + "'\\n'");
  // Found by fuzzing: U+02F1 after a value that cannot start reached the same unreachable point.
  // The bytes after it are not UTF-8, which is now refused before TOML reads the text.
  const char kAfterBadValue[] = "e = +T\"voali\0\0\0\xCB\xB1\x17\0\x10" "a\0\0\0\0\0\0\0\0\0\0z\0\0artu\x03\xD5\x0E\0\x10" "a\0\xFF\xFF\0\0upNaN\0\0";
  EXPECT_EQ(Pack(std::string(kAfterBadValue, sizeof kAfterBadValue - 1), &error), 1);
  EXPECT_EQ(error, product_ + "/product.toml:1: e: not valid UTF-8 (byte 0xD5 at column 39; save the description as UTF-8)");
  EXPECT_TRUE(FolderEntries(out_).empty());
  // Found by fuzzing: U+FCBF where a key belongs sent the TOML reader to an unreachable point.
  EXPECT_EQ(Pack("\xEF\xB2\xBF]", &error), 1);
  EXPECT_EQ(error, product_ + "/product.toml:1:1: Error while parsing root table: expected keys, tables, whitespace or comments, saw '\xEF\xB2\xBF'");
  EXPECT_TRUE(FolderEntries(out_).empty());
}

TEST_F(PackInputsTest, UnreadableSourceIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode; see SourceIsSocket";
  WriteBytes(product_ + "/secret.dat", "x");
  ASSERT_EQ(chmod((product_ + "/secret.dat").c_str(), 0), 0);
  std::string error;
  EXPECT_EQ(Pack(Description(Files("\"secret.dat\"")), &error), 1);
  EXPECT_EQ(error, product_ + "/product.toml: files[2] \"secret.dat\": cannot open " + product_ +
                       "/secret.dat: Permission denied");
  EXPECT_TRUE(FolderEntries(out_).empty());
}

TEST_F(PackInputsTest, NonAsciiInStringsAndCommentsIsAccepted) {
  const std::string description = "# Caf" + kE + " \xE2\x82\xAC\n" + Description(
      "startupPrompt = \"\"\"Caf" + kE + " \"\"\n'x' \\\" " + kE + "\"\"\"") +
      "# '" + kE + "\n";
  std::string error;
  EXPECT_EQ(Pack(Description("appTitle = 'Caf" + kE + "'") + "# " + kE, &error), 0) << error;
  EXPECT_EQ(Pack(description, &error), 0) << error << "\n" << description;
}

TEST_F(PackInputsTest, TextsExactlyAtTheirBoundsAreAccepted) {
  // Bounds in bytes of UTF-8: 100 accented letters are 200 bytes.
  const std::string description = "groupName = \"" + Repeat(kE, 100) + "\"\n" +
                                  "appTitle = \"" + Repeat("T", 198) + kE + "\"\n" +
                                  "iniFileName = \"" + Repeat("i", 251) + ".ini\"\n" +
                                  "offerStartupGroup = true\n" +
                                  "startupPrompt = \"" + Repeat(kE, 512) + "\"\n" +
                                  "mainExecutable = \"tov32.exe\"\n" +
                                  "files = [\"tov32.exe\", \"uninst.exe\", { name = \"" + Repeat(kE, 127) + "a\", source = \"tov32.exe\" }]\n";
  std::string error;
  EXPECT_EQ(Pack(description, &error), 0) << error;
  EXPECT_EQ(FolderEntries(out_), (std::vector<std::string>{"setup", "setup.d"}));
}

}  // namespace
