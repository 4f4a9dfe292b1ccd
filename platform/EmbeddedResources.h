// The table the build generates from the files under resources/ (see tools/EmbedResources.cmake).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

struct TEmbeddedResource {
  std::string_view Folder;  // "pictures", "cursors", "sounds" or "interface"
  std::string_view Name;    // file name without extension
  const uint8_t* Data;
  size_t Size;
};

std::span<const TEmbeddedResource> EmbeddedResources();
