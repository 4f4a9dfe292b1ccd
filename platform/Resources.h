// The files of resources/, linked into the program file and found by kind and name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Pictures of the catalogue, cursors, sound cues, and what the program's own windows
// draw with (the dialog's font).
enum class TResourceKind { Picture, Cursor, Sound, Interface };

struct TResource {
  TResourceKind Kind;
  std::string_view Name;  // file name without folder and extension, as written
  std::span<const uint8_t> Data;
};

// The resource of that kind and name, or empty data when there is none. Sounds are
// matched without regard to letter case, pictures and cursors exactly.
std::span<const uint8_t> FindResource(TResourceKind kind, std::string_view name);

// Every resource of a kind, in name order.
std::vector<TResource> ListResources(TResourceKind kind);
