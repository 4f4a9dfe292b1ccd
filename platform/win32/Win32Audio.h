// The audio output on Windows: the sound resources played from the program file through XAudio2.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct IXAudio2;
struct IXAudio2MasteringVoice;
class TWin32Voice;

// Every cue is found once at start-up in the program file; playing one submits its
// samples where they lie to a source voice, so starting a cue costs no copy and no
// wait. Voices that have finished are used again; more are made when all are busy, so
// cues overlap freely. XAudio2 2.9 is part of Windows 10; without it, or without an
// audio device, the game plays silently and says so once.
class TWin32Audio {
 public:
  // Says why there is no sound through Warn.
  explicit TWin32Audio(const std::function<void(const std::string&)>& warn);
  ~TWin32Audio();
  TWin32Audio(const TWin32Audio&) = delete;
  TWin32Audio& operator=(const TWin32Audio&) = delete;

  // Starts one playback of the named sound (any letter case) and returns at once;
  // false when it cannot be heard.
  bool Play(const std::string& name);
  // Every sound at Percent (0..100) of its loudness; at 0 no cue starts at all.
  void SetVolume(int percent);
  // The scale the mix is given, as the engine has it (0 without an output).
  float MixVolume() const;
  bool Available() const { return Engine != nullptr && Master != nullptr; }
  // The voices made so far: as many as ever sounded at once.
  size_t VoiceCount() const { return Voices.size(); }

 private:
  struct TCue;
  bool Open(std::string& why);
  void FindCues();
  TWin32Voice* FreeVoice(const TCue& cue);

  int Percent = 100;
  bool ComStarted = false;
  void* Library = nullptr;
  IXAudio2* Engine = nullptr;
  IXAudio2MasteringVoice* Master = nullptr;
  std::vector<TCue> Cues;
  std::vector<std::unique_ptr<TWin32Voice>> Voices;
};
