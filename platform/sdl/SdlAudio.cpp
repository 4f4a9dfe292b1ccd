// SDL2_mixer as the audio output: the WAVE resources are made ready once at start-up,
// so that starting a cue costs nothing. They are stored in the output's own format, so
// usually they play straight from the program file; otherwise they are converted.
#include "platform/sdl/SdlAudio.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

#include "platform/Resources.h"

namespace {

constexpr int SampleRate = 44100;
constexpr int OutputChannels = 2;
// Samples per buffer: about 23 ms, short enough that a cue starts with its event.
constexpr int BufferSamples = 1024;
// Enough for a level's start tune, a few kill sounds, a bonus and an extra life at once.
constexpr int FirstChannelCount = 32;

// Sends the process's standard error to /dev/null for as long as it lives.
class TQuietStderr {
 public:
  TQuietStderr() : Saved(dup(STDERR_FILENO)) {
    std::fflush(stderr);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDERR_FILENO);
      close(null);
    }
  }
  ~TQuietStderr() {
    if (Saved < 0) return;
    std::fflush(stderr);
    dup2(Saved, STDERR_FILENO);
    close(Saved);
  }
  TQuietStderr(const TQuietStderr&) = delete;
  TQuietStderr& operator=(const TQuietStderr&) = delete;

 private:
  int Saved;
};

uint32_t LittleEndian32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Whether Wave is plain PCM of the output's rate, channels and sample size, with its
// samples where SDL_mixer's quick loader looks for them: it walks the chunks after the
// header without bounds, so the walk is made here first, the same way, within them.
bool StoredAsOutput(std::span<const uint8_t> wave) {
  constexpr size_t HeaderBytes = 12, ChunkHeaderBytes = 8, FormatBytes = 16;
  if (wave.size() < HeaderBytes || std::memcmp(wave.data(), "RIFF", 4) != 0 ||
      std::memcmp(wave.data() + 8, "WAVE", 4) != 0)
    return false;
  bool formatMatches = false;
  for (size_t at = HeaderBytes; at + ChunkHeaderBytes <= wave.size();) {
    const uint8_t* chunk = wave.data() + at;
    const size_t size = LittleEndian32(chunk + 4);
    if (size > wave.size() - at - ChunkHeaderBytes) return false;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= FormatBytes) {
      const uint8_t* format = chunk + ChunkHeaderBytes;
      formatMatches = LittleEndian16(format) == 1 && LittleEndian16(format + 2) == OutputChannels &&
                      LittleEndian32(format + 4) == SampleRate && LittleEndian16(format + 14) == 16;
    }
    if (std::memcmp(chunk, "data", 4) == 0) return formatMatches;
    at += ChunkHeaderBytes + size;
  }
  return false;
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

void TSdlAudio::TChunkFree::operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }

TSdlAudio::TSdlAudio() {
  // SDL would otherwise take over SIGINT and SIGTERM, and the program would no longer
  // end when asked to.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  bool initialised = false;
  {
    const TQuietStderr quiet;  // as in OpenOutput
    initialised = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  }
  if (!initialised || !OpenOutput()) {
    std::fprintf(stderr, "blastover: no audio output (%s); the game plays silently\n", SDL_GetError());
    // What the subsystem started (a thread that watches for devices) goes with it.
    if (initialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  Open = true;
  ChannelCount = Mix_AllocateChannels(FirstChannelCount);
  ApplyVolume();
  LoadChunks();
}

void TSdlAudio::ApplyVolume() const { Mix_MasterVolume(Volume * MIX_MAX_VOLUME / 100); }

void TSdlAudio::SetVolume(int percent) {
  Volume = std::clamp(percent, 0, 100);
  if (!Open) return;
  if (IsResting) {
    // Turned on again while a game is on: ready for the next sound without delay.
    if (Volume > 0 && !MayRest) Reopen();
    return;
  }
  ApplyVolume();
  if (Volume > 0) return;
  // With the sound off there is nothing to keep the sound system awake for.
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  IsResting = true;
}

bool TSdlAudio::OpenOutput() {
  // The sound libraries beneath SDL write their own complaints when there is no sound
  // card; one line of ours says it better.
  const TQuietStderr quiet;
  return Mix_OpenAudio(SampleRate, AUDIO_S16SYS, OutputChannels, BufferSamples) == 0;
}

void TSdlAudio::LoadChunks() {
  Chunks.clear();
  Mix_QuerySpec(&Frequency, &Format, &OutputChannelCount);
  const bool outputAsStored = Frequency == SampleRate && Format == AUDIO_S16LSB && OutputChannelCount == OutputChannels;
  for (const TResource& sound : ListResources(TResourceKind::Sound)) {
    Mix_Chunk* chunk = nullptr;
    if (outputAsStored && StoredAsOutput(sound.Data)) {
      // The chunk points into the program file, which it only reads: no copy of the
      // samples in memory, and their pages are read in when first played.
      chunk = Mix_QuickLoad_WAV(const_cast<Uint8*>(sound.Data.data()));
    } else {
      SDL_RWops* stream = SDL_RWFromConstMem(sound.Data.data(), static_cast<int>(sound.Data.size()));
      chunk = Mix_LoadWAV_RW(stream, 1);
    }
    if (chunk == nullptr) {
      std::fprintf(stderr, "blastover: the sound %.*s cannot be read (%s)\n", static_cast<int>(sound.Name.size()),
                   sound.Name.data(), Mix_GetError());
      continue;
    }
    Chunks.emplace(UpperCase(std::string(sound.Name)), std::unique_ptr<Mix_Chunk, TChunkFree>(chunk));
  }
}

void TSdlAudio::LetRest(bool rest) {
  MayRest = rest;
  if (!rest && IsResting && Volume > 0) Reopen();
}

void TSdlAudio::RestWhenQuiet() {
  if (!Open || IsResting || !MayRest) return;
  const TClock::time_point now = TClock::now();
  if (now - LastSound < QuietTime) return;
  // A long sound still playing: look again a quiet time later.
  if (Mix_Playing(-1) > 0) {
    LastSound = now;
    return;
  }
  Mix_CloseAudio();
  IsResting = true;
}

bool TSdlAudio::Reopen() {
  if (!OpenOutput()) {
    // It stays resting, and is tried again as the next game starts, or by a cue a while
    // later: a device taken by another program, or unplugged, may come back.
    const std::string reason = SDL_GetError();
    if (ToldFailures.insert(reason).second)
      std::fprintf(stderr, "blastover: the audio output cannot be opened again (%s); the game is silent until it can\n",
                   reason.c_str());
    LastFailedReopen = TClock::now();
    ReopenFailed = true;
    return false;
  }
  ReopenFailed = false;
  IsResting = false;
  ChannelCount = Mix_AllocateChannels(ChannelCount);
  ApplyVolume();
  int frequency = 0, channels = 0;
  uint16_t format = 0;
  Mix_QuerySpec(&frequency, &format, &channels);
  // The sounds were made for the output's format; another one needs them made again.
  if (frequency != Frequency || format != Format || channels != OutputChannelCount) LoadChunks();
  return true;
}

TSdlAudio::~TSdlAudio() {
  if (Open && !IsResting) Mix_HaltChannel(-1);
  Chunks.clear();
  if (Open && !IsResting) Mix_CloseAudio();
  // SDL is used for nothing else: shutting all of it down also ends what it started
  // behind the audio (its desktop-bus connection).
  SDL_Quit();
}

bool TSdlAudio::Play(const std::string& name) {
  if (Volume == 0 || !Open) return false;
  if (IsResting) {
    // Not at every cue while the output cannot be had: opening may take a while.
    if (ReopenFailed && TClock::now() - LastFailedReopen < ReopenRetry) return false;
    if (!Reopen()) return false;
  }
  LastSound = TClock::now();
  const auto found = Chunks.find(UpperCase(name));
  if (found == Chunks.end()) {
#ifndef NDEBUG
    std::fprintf(stderr, "blastover: there is no sound called %s\n", name.c_str());
#endif
    return false;
  }
  // No cue is ever cut short: when every channel is busy, there are more channels.
  if (Mix_PlayChannel(-1, found->second.get(), 0) >= 0) return true;
  ChannelCount = Mix_AllocateChannels(ChannelCount * 2);
  return Mix_PlayChannel(-1, found->second.get(), 0) >= 0;
}
