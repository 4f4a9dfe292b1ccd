// The player's sound: how loud, and whether it is off, asked for on the command line
// and remembered in SETTINGS.XML from one start to the next.
#pragma once

#include <optional>
#include <string_view>

constexpr int FullVolume = 100;

// What the command line asks of the sound; what it does not ask stays as remembered.
struct TSoundWish {
  std::optional<int> Volume;  // percent
  std::optional<bool> Muted;
};

// The sound the game plays with.
struct TSoundChoice {
  int Volume = FullVolume;  // percent
  bool Muted = false;

  // What the platform is told: nothing at all while muted.
  int Loudness() const { return Muted ? 0 : Volume; }
};

// A volume as the player writes it: a whole number from 0 to 100, digits only.
std::optional<int> ReadVolume(std::string_view text);

// Reads the choice SETTINGS.XML remembers (the default where it holds none, or one that
// cannot be used, said once on stderr), makes Wish part of it, remembers what changed,
// and gives the current platform the loudness before the first sound. The platform is
// installed and the game's files folder known (the game window is set up).
TSoundChoice ApplySoundChoice(const TSoundWish& wish);
