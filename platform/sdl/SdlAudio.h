// The audio output on Linux: every sound resource loaded once, played on free mixer channels.
#pragma once

#include <map>
#include <memory>
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
  // returns at once; false when it cannot be heard.
  bool Play(const std::string& name);
  bool Available() const { return Open; }
  // Sounds that can play at the same time before more channels are made.
  int Channels() const { return ChannelCount; }

 private:
  struct TChunkFree {
    void operator()(Mix_Chunk* chunk) const;
  };

  bool Open = false;
  int ChannelCount = 0;
  std::map<std::string, std::unique_ptr<Mix_Chunk, TChunkFree>> Chunks;  // by upper-case name
};
