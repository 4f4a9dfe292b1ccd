// The remembered sound choice: read, changed by the command line, stored and applied.
#include "app/SoundChoice.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "support/Xml.h"

namespace {

constexpr const char* VolumeKey = "volume";
constexpr const char* MuteKey = "mute";

// The texts SETTINGS.XML holds for the sound, where it holds them.
struct TStoredSound {
  std::string FileName;
  std::optional<std::string> Volume;
  std::optional<std::string> Mute;
};

std::optional<std::string> TextOf(const pugi::xml_node& root, const char* key) {
  const pugi::xml_node element = root.child(key);
  if (!element) return std::nullopt;
  return std::string(element.text().get());
}

TStoredSound ReadStoredSound() {
  const auto settings = OpenXML(std::string(SettingsFileBase) + ".XML");
  return {settings->FileName, TextOf(settings->Root(), VolumeKey), TextOf(settings->Root(), MuteKey)};
}

void Remember(const char* key, int value) {
  try {
    SetSetting(key, value);
  } catch (const EXmlError& error) {
    // The game plays as asked all the same; only the next start will not know.
    std::fprintf(stderr, "blastover: the sound choice cannot be kept: %s\n", error.what());
  }
}

}  // namespace

std::optional<int> ReadVolume(std::string_view text) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  if (value > FullVolume) return std::nullopt;
  return value;
}

TSoundChoice ApplySoundChoice(const TSoundWish& wish) {
  TSoundChoice choice;
  TStoredSound stored;
  // Only a stored value the game goes on to use is worth a word when it cannot be used.
  std::string complaint;
  bool readable = true;
  try {
    stored = ReadStoredSound();
  } catch (const EXmlError& error) {
    // Storing into a file that cannot be read would fail in the same way.
    readable = false;
    complaint = std::string(error.what()) + "; the sound choice is neither read nor kept";
  }
  if (wish.Volume) {
    choice.Volume = *wish.Volume;
    // Nothing stored is the default, and is kept as nothing.
    if (readable && stored.Volume.value_or(std::to_string(FullVolume)) != std::to_string(choice.Volume))
      Remember(VolumeKey, choice.Volume);
  } else if (stored.Volume) {
    if (const std::optional<int> percent = ReadVolume(*stored.Volume))
      choice.Volume = *percent;
    else
      complaint = "the volume '" + *stored.Volume + "' in " + stored.FileName +
                  " is not a whole number from 0 to 100; the game plays at full volume";
  }
  if (wish.Muted) {
    choice.Muted = *wish.Muted;
    if (readable && stored.Mute.value_or("0") != (choice.Muted ? "1" : "0")) Remember(MuteKey, choice.Muted ? 1 : 0);
  } else if (stored.Mute) {
    choice.Muted = *stored.Mute == "1";
    if (!choice.Muted && *stored.Mute != "0" && complaint.empty())
      complaint = "the mute setting '" + *stored.Mute + "' in " + stored.FileName +
                  " is neither 1 nor 0; the game plays with sound";
  }
  if (!complaint.empty()) std::fprintf(stderr, "blastover: %s\n", complaint.c_str());
  CurrentPlatform().SetSoundVolume(choice.Loudness());
  return choice;
}
