// The resources of a Windows image: reading a program's resource directory, and laying out a new one.
#include "tools/pack/image/image_resources.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "tools/pack/common/byte_order.h"

namespace {

// Sets the one-line complaint and returns false, for `return Complain(...)` where a check fails.
bool Complain(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}


const uint32_t kSubdirectory = 0x80000000u;  // an entry's offset names another table
const uint32_t kNamed = 0x80000000u;         // an entry's name is a string, not a number
const uint32_t kDirectoryHeaderSize = 16;
const uint32_t kEntrySize = 8;
const uint32_t kDataEntrySize = 16;

// Maps relative virtual addresses of a PE image to file offsets through its section table.
struct ImageMap {
  struct Section {
    uint32_t address, size, fileOffset, fileSize;
  };
  std::vector<Section> sections;
  uint32_t resourceAddress = 0, resourceSize = 0;

  // File offset of `size` bytes at `rva`, or -1 when they are not all in one section's raw data.
  int64_t Offset(uint32_t rva, uint32_t size) const {
    for (const Section& section : sections) {
      if (rva >= section.address && (uint64_t)rva - section.address + size <= section.fileSize) {
        return (int64_t)section.fileOffset + (rva - section.address);
      }
    }
    return -1;
  }
};

bool MapImage(const std::string& image, ImageMap* map, std::string* problem) {
  const uint64_t size = image.size();
  if (size < 64 || image.compare(0, 2, "MZ") != 0) return Complain(problem, "not a Windows program");
  const uint64_t pe = Get32(image, 0x3C);
  if (pe + 24 > size || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    return Complain(problem, "not a Windows program");
  }
  const uint32_t sectionCount = Get16(image, pe + 6);
  const uint64_t optional = pe + 24;
  const uint64_t optionalSize = Get16(image, pe + 20);
  if (optional + optionalSize > size || optionalSize < 2) return Complain(problem, "damaged (headers out of bounds)");
  const bool wide = Get16(image, optional) == 0x20B;
  const uint64_t directory = optional + (wide ? 112 : 96) + 8ull * 2;  // entry 2: resources
  if (directory + 8 <= optional + optionalSize) {
    map->resourceAddress = Get32(image, directory);
    map->resourceSize = Get32(image, directory + 4);
  }
  const uint64_t table = optional + optionalSize;
  if (table + 40ull * sectionCount > size) return Complain(problem, "damaged (section table out of bounds)");
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint64_t header = table + 40ull * i;
    ImageMap::Section section;
    section.size = Get32(image, header + 8);
    section.address = Get32(image, header + 12);
    section.fileSize = std::min(Get32(image, header + 16), section.size ? section.size : Get32(image, header + 16));
    section.fileOffset = Get32(image, header + 20);
    if ((uint64_t)section.fileOffset + section.fileSize > size) section.fileSize = 0;
    map->sections.push_back(section);
  }
  return true;
}

// Reads a resource name string (a count of UTF-16 units, then the units) at `offset` of the
// directory that starts at file offset `base`.
bool ReadName(const std::string& image, uint64_t base, uint32_t offset, uint32_t limit, std::u16string* name) {
  if ((uint64_t)offset + 2 > limit) return false;
  const uint32_t length = Get16(image, base + offset);
  if (length == 0 || (uint64_t)offset + 2 + 2ull * length > limit) return false;
  name->clear();
  for (uint32_t i = 0; i < length; ++i) name->push_back((char16_t)Get16(image, base + offset + 2 + 2ull * i));
  return true;
}

struct Reader {
  const std::string& image;
  const ImageMap& map;
  uint64_t base;   // file offset of the directory
  uint32_t limit;  // its size
  std::vector<Resource>* resources;
  std::string* problem;
  int tablesRead = 0;

  bool Fail(const char* what) {
    *problem = std::string("damaged resource directory (") + what + ")";
    return false;
  }

  // Reads the table at `offset`, `level` 0 (types), 1 (names) or 2 (languages).
  bool Table(uint32_t offset, int level, const Resource& path) {
    // A directory that points back at itself would never end; no real one has this many tables.
    if (++tablesRead > 65536) return Fail("too many tables");
    if ((uint64_t)offset + kDirectoryHeaderSize > limit) return Fail("a table lies outside it");
    const uint32_t count = Get16(image, base + offset + 12) + Get16(image, base + offset + 14);
    if ((uint64_t)offset + kDirectoryHeaderSize + (uint64_t)kEntrySize * count > limit) {
      return Fail("a table's entries lie outside it");
    }
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = base + offset + kDirectoryHeaderSize + (uint64_t)kEntrySize * i;
      const uint32_t name = Get32(image, entry);
      const uint32_t target = Get32(image, entry + 4);
      ResourceKey key;
      if (name & kNamed) {
        if (!ReadName(image, base, name & ~kNamed, limit, &key.text)) return Fail("a name lies outside it");
      } else {
        key.id = name;
      }
      Resource next = path;
      if (level == 0) next.type = key;
      if (level == 1) next.name = key;
      if (level == 2) {
        if (name & kNamed) return Fail("a language is named");
        next.language = (uint16_t)name;
      }
      const bool isTable = (target & kSubdirectory) != 0;
      if (isTable != (level < 2)) return Fail("a table or a data entry at the wrong level");
      if (isTable) {
        if (!Table(target & ~kSubdirectory, level + 1, next)) return false;
        continue;
      }
      if ((uint64_t)target + kDataEntrySize > limit) return Fail("a data entry lies outside it");
      const uint32_t address = Get32(image, base + target);
      const uint32_t size = Get32(image, base + target + 4);
      next.codePage = Get32(image, base + target + 8);
      const int64_t at = map.Offset(address, size);
      if (at < 0) return Fail("a resource's data lies outside the image");
      next.data = image.substr((size_t)at, size);
      resources->push_back(next);
    }
    return true;
  }
};

// Orders keys as Windows expects them in a table: names first, by their UTF-16 units, then numbers.
bool KeyLess(const ResourceKey& a, const ResourceKey& b) {
  const bool aNamed = !a.text.empty(), bNamed = !b.text.empty();
  if (aNamed != bNamed) return aNamed;
  return aNamed ? a.text < b.text : a.id < b.id;
}
struct KeyOrder {
  bool operator()(const ResourceKey& a, const ResourceKey& b) const { return KeyLess(a, b); }
};

uint32_t Align8(uint64_t value) { return (uint32_t)((value + 7) & ~7ull); }

}  // namespace

bool ReadResources(const std::string& image, std::vector<Resource>* resources, std::string* problem) {
  resources->clear();
  ImageMap map;
  if (!MapImage(image, &map, problem)) return false;
  if (map.resourceAddress == 0 || map.resourceSize == 0) return true;
  const int64_t base = map.Offset(map.resourceAddress, map.resourceSize);
  if (base < 0) {
    *problem = "damaged resource directory (it lies outside the image)";
    return false;
  }
  Reader reader{image, map, (uint64_t)base, map.resourceSize, resources, problem};
  return reader.Table(0, 0, Resource());
}

std::string LayOutResources(const std::vector<Resource>& resources, uint32_t rva) {
  // type -> name -> language -> resource
  std::map<ResourceKey, std::map<ResourceKey, std::map<uint16_t, const Resource*>, KeyOrder>, KeyOrder> tree;
  for (const Resource& resource : resources) tree[resource.type][resource.name][resource.language] = &resource;

  // Sizes of the parts, in the order they are laid out.
  uint32_t tables = kDirectoryHeaderSize + kEntrySize * (uint32_t)tree.size();
  uint32_t dataEntries = 0;
  std::vector<const ResourceKey*> names;  // every named key, in layout order
  for (const auto& [type, byName] : tree) {
    if (!type.text.empty()) names.push_back(&type);
    tables += kDirectoryHeaderSize + kEntrySize * (uint32_t)byName.size();
    for (const auto& [name, byLanguage] : byName) {
      if (!name.text.empty()) names.push_back(&name);
      tables += kDirectoryHeaderSize + kEntrySize * (uint32_t)byLanguage.size();
      dataEntries += kDataEntrySize * (uint32_t)byLanguage.size();
    }
  }
  uint32_t namesSize = 0;
  for (const ResourceKey* name : names) namesSize += 2 + 2 * (uint32_t)name->text.size();
  const uint32_t dataEntriesAt = tables;
  const uint32_t namesAt = dataEntriesAt + dataEntries;
  uint32_t dataAt = Align8(namesAt + namesSize);
  uint32_t total = dataAt;
  for (const Resource& resource : resources) total = Align8(total + resource.data.size());
  std::string out(total, '\0');

  // Fill in, breadth first: the root, the type tables, then the name tables with their languages.
  uint32_t nextTable = kDirectoryHeaderSize + kEntrySize * (uint32_t)tree.size();
  uint32_t nextDataEntry = dataEntriesAt;
  uint32_t nextName = namesAt;
  uint32_t nextData = dataAt;
  std::map<const ResourceKey*, uint32_t> nameOffsets;
  auto nameField = [&](const ResourceKey& key) -> uint32_t {
    if (key.text.empty()) return key.id;
    auto found = nameOffsets.find(&key);
    if (found == nameOffsets.end()) {
      found = nameOffsets.emplace(&key, nextName).first;
      Put16(&out, nextName, (uint32_t)key.text.size());
      for (size_t i = 0; i < key.text.size(); ++i) Put16(&out, nextName + 2 + 2 * i, key.text[i]);
      nextName += 2 + 2 * (uint32_t)key.text.size();
    }
    return found->second | kNamed;
  };
  auto tableHeader = [&](uint32_t at, uint32_t named, uint32_t numbered) {
    Put16(&out, at + 12, named);
    Put16(&out, at + 14, numbered);
  };
  auto counts = [](const auto& level) {
    uint32_t named = 0;
    for (const auto& item : level) named += item.first.text.empty() ? 0 : 1;
    return std::make_pair(named, (uint32_t)level.size() - named);
  };

  auto [typesNamed, typesNumbered] = counts(tree);
  tableHeader(0, typesNamed, typesNumbered);
  uint32_t typeEntry = kDirectoryHeaderSize;
  std::vector<std::pair<uint32_t, const std::map<ResourceKey, std::map<uint16_t, const Resource*>, KeyOrder>*>> nameTables;
  for (const auto& [type, byName] : tree) {
    Put32(&out, typeEntry, nameField(type));
    Put32(&out, typeEntry + 4, nextTable | kSubdirectory);
    nameTables.emplace_back(nextTable, &byName);
    nextTable += kDirectoryHeaderSize + kEntrySize * (uint32_t)byName.size();
    typeEntry += kEntrySize;
  }
  for (const auto& [at, byName] : nameTables) {
    auto [named, numbered] = counts(*byName);
    tableHeader(at, named, numbered);
    uint32_t nameEntry = at + kDirectoryHeaderSize;
    for (const auto& [name, byLanguage] : *byName) {
      Put32(&out, nameEntry, nameField(name));
      Put32(&out, nameEntry + 4, nextTable | kSubdirectory);
      tableHeader(nextTable, 0, (uint32_t)byLanguage.size());
      uint32_t languageEntry = nextTable + kDirectoryHeaderSize;
      nextTable += kDirectoryHeaderSize + kEntrySize * (uint32_t)byLanguage.size();
      for (const auto& [language, resource] : byLanguage) {
        Put32(&out, languageEntry, language);
        Put32(&out, languageEntry + 4, nextDataEntry);
        Put32(&out, nextDataEntry, rva + nextData);
        Put32(&out, nextDataEntry + 4, (uint32_t)resource->data.size());
        Put32(&out, nextDataEntry + 8, resource->codePage);
        out.replace(nextData, resource->data.size(), resource->data);
        nextData = Align8(nextData + resource->data.size());
        nextDataEntry += kDataEntrySize;
        languageEntry += kEntrySize;
      }
      nameEntry += kEntrySize;
    }
  }
  out.resize(nextData);
  return out;
}
