#pragma once
// Container tag names and the generic keys the file description shows for them.
#include <span>
#include <string_view>

namespace zv {

struct TMetadataKeyName {
  std::string_view Tag;
  std::string_view Shown;
};

// All 72 pairs in lookup order ("Author" stands in it twice).
std::span<const TMetadataKeyName> MetadataKeyNames();
// The shown key for tag: the first exact match, or the tag itself.
std::string_view ShownMetadataKey(std::string_view tag);

}  // namespace zv
