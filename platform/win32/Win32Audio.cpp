// XAudio2 2.9, loaded when the program starts: one source voice per sounding cue, reused when done.
#include "platform/win32/Win32Audio.h"

#include "platform/win32/Win32Api.h"

#include <mmdeviceapi.h>
#include <xaudio2.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/win32/WaveData.h"
#include "platform/win32/Win32Desktop.h"

struct TWin32Audio::TCue {
  std::string Name;  // upper case
  TWaveData Wave;
};

// A source voice and whether its last cue has ended; XAudio2 says so on its own thread.
class TWin32Voice : public IXAudio2VoiceCallback {
 public:
  IXAudio2SourceVoice* Voice = nullptr;
  WAVEFORMATEX Format{};
  std::atomic<bool> Busy{false};

  void STDMETHODCALLTYPE OnStreamEnd() override { Busy = false; }
  void STDMETHODCALLTYPE OnVoiceProcessingPassStart(UINT32) override {}
  void STDMETHODCALLTYPE OnVoiceProcessingPassEnd() override {}
  void STDMETHODCALLTYPE OnBufferStart(void*) override {}
  void STDMETHODCALLTYPE OnBufferEnd(void*) override {}
  void STDMETHODCALLTYPE OnLoopEnd(void*) override {}
  void STDMETHODCALLTYPE OnVoiceError(void*, HRESULT) override { Busy = false; }
};

namespace {

using TXAudio2Create = HRESULT(WINAPI*)(IXAudio2**, UINT32, XAUDIO2_PROCESSOR);

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
  return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
         a.wBitsPerSample == b.wBitsPerSample;
}

}  // namespace

TWin32Audio::TWin32Audio(const std::function<void(const std::string&)>& warn) {
  std::string why;
  if (!Open(why)) {
    warn("no audio output (" + why + "); the game plays silently");
    return;
  }
  FindCues();
}

namespace {

// Whether the system has an audio output at all. XAudio2 is asked only then: some of its
// implementations (Wine's among them) crash when made to open a device that is not there.
bool HasAudioOutput() {
  IMMDeviceEnumerator* devices = nullptr;
  if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                              reinterpret_cast<void**>(&devices))))
    return false;
  IMMDevice* output = nullptr;
  const bool found = SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &output));
  if (output != nullptr) output->Release();
  devices->Release();
  return found;
}

}  // namespace

bool TWin32Audio::Open(std::string& why) {
  // XAudio2 needs COM on the thread that makes it: the thread of the windows, whose
  // apartment is single-threaded for the shell's sake (this only counts one more use).
  ComStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  if (!HasAudioOutput()) {
    why = "no audio device";
    return false;
  }
  // Loaded by hand rather than imported, so that the program starts where it is missing.
  HMODULE library = LoadLibraryExW(L"xaudio2_9.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  Library = library;
  const auto create = library != nullptr
                          ? reinterpret_cast<TXAudio2Create>(reinterpret_cast<void*>(GetProcAddress(library, "XAudio2Create")))
                          : nullptr;
  if (create == nullptr) {
    why = "XAudio2 2.9 is not installed";
    return false;
  }
  HRESULT result = create(&Engine, 0, XAUDIO2_DEFAULT_PROCESSOR);
  if (FAILED(result)) {
    why = "XAudio2 cannot start, error " + std::to_string(static_cast<unsigned long>(result));
    Engine = nullptr;
    return false;
  }
  result = Engine->CreateMasteringVoice(&Master, XAUDIO2_DEFAULT_CHANNELS, XAUDIO2_DEFAULT_SAMPLERATE, 0, nullptr,
                                        nullptr, AudioCategory_GameEffects);
  if (FAILED(result)) {
    why = "no audio device";
    Master = nullptr;
    return false;
  }
  return true;
}

void TWin32Audio::FindCues() {
  for (const TResource& sound : ListResources(TResourceKind::Sound)) {
    TWaveData wave;
    if (!ReadWave(sound.Data, wave)) {
      WarnDeveloper("the sound " + std::string(sound.Name) + " cannot be read");
      continue;
    }
    Cues.push_back({UpperCase(std::string(sound.Name)), wave});
  }
}

TWin32Audio::~TWin32Audio() {
  // Voices first: their callbacks must not outlive them, nor they the engine.
  for (const auto& voice : Voices) voice->Voice->DestroyVoice();
  Voices.clear();
  if (Master != nullptr) Master->DestroyVoice();
  if (Engine != nullptr) Engine->Release();
  if (Library != nullptr) FreeLibrary(static_cast<HMODULE>(Library));
  if (ComStarted) CoUninitialize();
}

TWin32Voice* TWin32Audio::FreeVoice(const TCue& cue) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = cue.Wave.Channels;
  format.nSamplesPerSec = cue.Wave.SampleRate;
  format.wBitsPerSample = cue.Wave.BitsPerSample;
  format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  for (const auto& voice : Voices)
    if (!voice->Busy && SameFormat(voice->Format, format)) return voice.get();
  auto voice = std::make_unique<TWin32Voice>();
  voice->Format = format;
  if (FAILED(Engine->CreateSourceVoice(&voice->Voice, &format, 0, XAUDIO2_DEFAULT_FREQ_RATIO, voice.get(), nullptr,
                                       nullptr)))
    return nullptr;
  Voices.push_back(std::move(voice));
  return Voices.back().get();
}

void TWin32Audio::SetVolume(int percent) {
  Percent = std::clamp(percent, 0, 100);
  // The mastering voice scales the mix of every cue at once.
  if (Master != nullptr) Master->SetVolume(static_cast<float>(Percent) / 100.0f);
}

float TWin32Audio::MixVolume() const {
  float volume = 0;
  if (Master != nullptr) Master->GetVolume(&volume);
  return volume;
}

bool TWin32Audio::Play(const std::string& name) {
  if (!Available() || Percent == 0) return false;
  const std::string wanted = UpperCase(name);
  for (const TCue& cue : Cues) {
    if (cue.Name != wanted) continue;
    TWin32Voice* voice = FreeVoice(cue);
    if (voice == nullptr) return false;
    XAUDIO2_BUFFER buffer{};
    buffer.Flags = XAUDIO2_END_OF_STREAM;
    buffer.AudioBytes = static_cast<UINT32>(cue.Wave.Samples.size());
    buffer.pAudioData = cue.Wave.Samples.data();
    voice->Busy = true;
    if (FAILED(voice->Voice->SubmitSourceBuffer(&buffer, nullptr)) || FAILED(voice->Voice->Start(0, 0))) {
      voice->Busy = false;
      return false;
    }
    return true;
  }
  return false;
}
