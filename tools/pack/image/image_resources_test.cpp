// The resource directory instpack lays out, read back as Windows walks it: named and numbered
// types and names in Windows' order, several languages, data at its address; and directories
// whose offsets point outside themselves refused.
#include <gtest/gtest.h>

#include "tools/pack/common/byte_order.h"
#include "tools/pack/image/image_resources.h"

namespace {

// A 32-bit PE image with one section at address 0x3000, file offset 0x200, holding `section`,
// which the resource data directory points at.
std::string ImageWith(const std::string& section) {
  std::string image(0x200, '\0');
  image[0] = 'M', image[1] = 'Z';
  Put32(&image, 0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  Put16(&image, 0x44, 0x14C);  // machine
  Put16(&image, 0x46, 1);      // one section
  Put16(&image, 0x54, 0xE0);   // optional header size
  Put16(&image, 0x58, 0x10B);  // PE32
  Put32(&image, 0x58 + 96 + 16, 0x3000);
  Put32(&image, 0x58 + 96 + 20, (uint32_t)section.size());
  const size_t header = 0x58 + 0xE0;
  image.replace(header, 5, ".rsrc");
  Put32(&image, header + 8, (uint32_t)section.size());
  Put32(&image, header + 12, 0x3000);
  Put32(&image, header + 16, (uint32_t)section.size());
  Put32(&image, header + 20, 0x200);
  return image + section;
}

Resource Make(const ResourceKey& type, const ResourceKey& name, uint16_t language, const std::string& data) {
  Resource resource;
  resource.type = type;
  resource.name = name;
  resource.language = language;
  resource.codePage = language == 0 ? 0 : 1252;
  resource.data = data;
  return resource;
}

ResourceKey Id(uint32_t id) {
  ResourceKey key;
  key.id = id;
  return key;
}
ResourceKey Name(const std::u16string& text) {
  ResourceKey key;
  key.text = text;
  return key;
}

TEST(ImageResourcesTest, LaidOutDirectoryReadsBackInWindowsOrder) {
  // Given out of order: Windows finds entries by a binary search, so each table must be sorted,
  // names before numbers.
  const std::vector<Resource> given = {
      Make(Id(24), Id(1), 0x409, "<assembly/>"),
      Make(Id(5), Id(113), 0x409, "dialog 113"),
      Make(Name(u"TYPELIB"), Name(u"ZETA"), 0, "z"),
      Make(Id(5), Id(109), 0x407, "Dialog 109 auf Deutsch"),
      Make(Id(5), Id(109), 0x409, "dialog 109, seven bytes past eight"),
      Make(Name(u"TYPELIB"), Name(u"ALPHA"), 0, ""),
      Make(Id(5), Name(u"NAMED"), 0x409, "named dialog"),
  };
  const std::string section = LayOutResources(given, 0x3000);
  EXPECT_EQ(section, LayOutResources(given, 0x3000));  // the same bytes every time
  std::vector<Resource> read;
  std::string problem;
  ASSERT_TRUE(ReadResources(ImageWith(section), &read, &problem)) << problem;
  const std::vector<size_t> order = {5, 2, 6, 3, 4, 1, 0};
  ASSERT_EQ(read.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    const Resource& expected = given[order[i]];
    SCOPED_TRACE(i);
    EXPECT_EQ(read[i].type.id, expected.type.id);
    EXPECT_TRUE(read[i].type.text == expected.type.text);
    EXPECT_EQ(read[i].name.id, expected.name.id);
    EXPECT_TRUE(read[i].name.text == expected.name.text);
    EXPECT_EQ(read[i].language, expected.language);
    EXPECT_EQ(read[i].codePage, expected.codePage);
    EXPECT_EQ(read[i].data, expected.data);
  }
}

TEST(ImageResourcesTest, DirectoryPointingOutsideItselfIsRefused) {
  const std::string section = LayOutResources({Make(Id(5), Id(109), 0x409, "dialog")}, 0x3000);
  struct Damage {
    const char* what;
    size_t at;  // offset in the section of a 32-bit field to overwrite
    uint32_t value;
  } const damages[] = {
      {"a table lies outside it", 16 + 4, 0x80000000u | 0x7000},        // the type entry's table
      {"a name lies outside it", 16, 0x80000000u | 0x7000},              // the type entry's name
      {"a data entry lies outside it", 16 + 24 + 24 + 4, 0x7000},         // the language entry
      {"a resource's data lies outside the image", 16 + 24 + 24 + 8, 0x9000},  // the data's address
      {"a table or a data entry at the wrong level", 16 + 4, 16 + 24 + 24},    // types -> data entry
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    std::string damaged = section;
    Put32(&damaged, damage.at, damage.value);
    std::vector<Resource> read;
    std::string problem;
    EXPECT_FALSE(ReadResources(ImageWith(damaged), &read, &problem));
    EXPECT_EQ(problem, std::string("damaged resource directory (") + damage.what + ")");
  }
  // A table that names itself as its own child would be walked for ever.
  std::string looped = section;
  Put32(&looped, 16 + 4, 0x80000000u);
  std::vector<Resource> read;
  std::string problem;
  EXPECT_FALSE(ReadResources(ImageWith(looped), &read, &problem));
}

}  // namespace
