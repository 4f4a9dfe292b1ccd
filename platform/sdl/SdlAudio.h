// The audio output on Linux: every sound resource loaded once, played on free mixer channels.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>

struct Mix_Chunk;

class TSdlAudio {
 public:
  // Opens the default audio output (SDL_AUDIODRIVER chooses another) and loads every
  // sound resource. Without an output it says why once on stderr and stays silent.
  TSdlAudio();
  ~TSdlAudio();
  TSdlAudio(const TSdlAudio&) = delete;
  TSdlAudio& operator=(const TSdlAudio&) = delete;

  // Starts one playback of the named sound (any letter case) on a free channel and
  // returns at once; false when it cannot be heard. A resting output opens again first,
  // unless the sound is off; one that could not stays silent, and is tried again as the
  // next game starts.
  bool Play(const std::string& name);
  // Every sound at Percent (0..100) of its loudness. At 0 nothing plays and the output
  // rests, whatever LetRest allows, until the sound is turned on again.
  void SetVolume(int percent);
  bool Available() const { return Open; }
  // Sounds that can play at the same time before more channels are made.
  int Channels() const { return ChannelCount; }
  // While allowed to rest, RestWhenQuiet closes the output once nothing has sounded
  // for QuietTime: an open output keeps the sound system (and a thread of ours) waking
  // every buffer, also while the menu waits for hours. Called often, from the event
  // loop; cheap. Forbidding rest opens a resting output again at once.
  void LetRest(bool rest);
  void RestWhenQuiet();
  bool Resting() const { return IsResting; }
  static constexpr std::chrono::milliseconds QuietTime{500};
  // How long cues leave an output that could not open again before they try again.
  static constexpr std::chrono::milliseconds ReopenRetry{2000};

 private:
  struct TChunkFree {
    void operator()(Mix_Chunk* chunk) const;
  };
  using TClock = std::chrono::steady_clock;

  // Opens the output; false, with SDL's reason, when there is none.
  static bool OpenOutput();
  // Makes every sound resource ready for the output as it is now open.
  void LoadChunks();
  // Opens the resting output again; false (said once per reason) when it cannot.
  bool Reopen();
  // Gives the open output the player's volume, at every opening: whether the mixer keeps it
  // across a closing is not ours to rely on.
  void ApplyVolume() const;

  bool Open = false;
  bool MayRest = false;
  bool IsResting = false;
  int ChannelCount = 0;
  int Volume = 100;  // percent
  // The output's format the sounds were made ready for.
  int Frequency = 0, OutputChannelCount = 0;
  uint16_t Format = 0;
  TClock::time_point LastSound = TClock::now();
  bool ReopenFailed = false;
  TClock::time_point LastFailedReopen;
  std::set<std::string> ToldFailures;
  std::map<std::string, std::unique_ptr<Mix_Chunk, TChunkFree>> Chunks;  // by upper-case name
};
