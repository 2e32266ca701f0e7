// The resources of a Windows image: reading a program's resource directory, and laying out a new one.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

/// A resource type or name: a number, or (when `text` is not empty) a UTF-16 name.
struct ResourceKey {
  uint32_t id = 0;
  std::u16string text;
};

/// The resource types instpack writes.
enum : uint32_t {
  kResourceIcon = 3,        // RT_ICON: one image of an icon
  kResourceGroupIcon = 14,  // RT_GROUP_ICON: the icon, naming its images
  kResourceVersion = 16,    // RT_VERSION
  kResourceManifest = 24,   // RT_MANIFEST
};

/// One resource: where it sits in the tree (type, name, language) and its bytes.
struct Resource {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::string data;
};

/// Reads every resource of the PE image `image` (a whole file as built: headers, section table,
/// sections at their file offsets) into `*resources`, in the directory's order. An image without
/// a resource directory has none. Returns false with `*problem` set when the directory is not
/// well formed: an offset or size outside the image, more than three levels, a loop.
bool ReadResources(const std::string& image, std::vector<Resource>* resources, std::string* problem);

/// Lays out a resource directory for `resources` as it will sit at relative virtual address `rva`
/// of an image: the directory tables (each level in Windows' order, names before numbers, names
/// by their UTF-16 units, numbers ascending), the data entries, the names, and the data, each
/// piece 8-byte aligned. Two resources with the same type, name and language are a caller's
/// mistake; the later one wins. The same resources give the same bytes.
std::string LayOutResources(const std::vector<Resource>& resources, uint32_t rva);
