// Look-up in the table of embedded resources that the build generates.
#include "platform/Resources.h"

#include <algorithm>

#include "platform/EmbeddedResources.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

TResourceKind KindOfFolder(std::string_view folder) {
  if (folder == "cursors") return TResourceKind::Cursor;
  if (folder == "sounds") return TResourceKind::Sound;
  if (folder == "interface") return TResourceKind::Interface;
  return TResourceKind::Picture;
}

}  // namespace

std::span<const uint8_t> FindResource(TResourceKind kind, std::string_view name) {
  for (const TEmbeddedResource& entry : EmbeddedResources()) {
    if (KindOfFolder(entry.Folder) != kind) continue;
    const bool match = kind == TResourceKind::Sound ? SameIgnoringCase(entry.Name, name) : entry.Name == name;
    if (match) return {entry.Data, entry.Size};
  }
  return {};
}

std::vector<TResource> ListResources(TResourceKind kind) {
  std::vector<TResource> result;
  for (const TEmbeddedResource& entry : EmbeddedResources())
    if (KindOfFolder(entry.Folder) == kind) result.push_back({kind, entry.Name, {entry.Data, entry.Size}});
  std::sort(result.begin(), result.end(), [](const TResource& a, const TResource& b) { return a.Name < b.Name; });
  return result;
}
