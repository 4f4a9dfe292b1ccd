// A cue's score as read from its .score text: the cue's role and the notes of all its voices.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The four sound generators of the machine we imitate.
enum class TWaveform { Square, Pulse, Triangle, Noise };

// What a cue is for; cues of one role are brought to one loudness.
enum class TCueRole { Start, Kill, Bonus, Death };

// The sound of a voice. A note takes a copy of the settings in force when it starts,
// so a score can change them between notes.
struct TInstrument {
  TWaveform Waveform = TWaveform::Square;
  double Duty = 0.5;  // fraction of a pulse cycle spent high
  double AttackSeconds = 0.002;
  double DecaySeconds = 0.08;
  double Sustain = 0.7;  // level held after the decay, 0..1 of the peak
  double ReleaseSeconds = 0.03;
  double Gate = 0.9;     // fraction of a note's length the key is held; the release follows
  double Volume = 0.7;   // 0..1
  double Pan = 0.0;      // -1 left .. +1 right
  double VibratoHz = 0.0;
  double VibratoCents = 0.0;
  double VibratoDelaySeconds = 0.0;
  double ArpeggioSeconds = 1.0 / 60.0;  // time on each note of an arpeggio: one video frame
  bool ShortNoise = false;              // the short, metallic noise loop instead of hiss
  // Each note sounds again this much later, quieter and from the other side; 0 for none.
  double EchoSeconds = 0.0;
  double EchoVolume = 0.35;  // of the note's own volume
};

// One sounding note. Pitches are MIDI note numbers (C4 = 60, A4 = 69); several pitches make
// an arpeggio that cycles through them; SlideTo makes the pitch glide while the key is held.
struct TNote {
  double StartSeconds = 0.0;
  double LengthSeconds = 0.0;  // from the start to the next note of the voice
  std::vector<double> Pitches;
  std::optional<double> SlideTo;
  TInstrument Instrument;
};

struct TScore {
  std::string Name;
  TCueRole Role = TCueRole::Start;
  double LowPassHz = 9000.0;
  double LengthSeconds = 0.0;  // end of the longest voice, rests included, before release tails
  std::vector<TNote> Notes;    // of all voices, in the order written
};

// A fault in a score, with the 1-based line it was found on in its message.
class TScoreError : public std::runtime_error {
public:
  TScoreError(const std::string& cueName, int line, const std::string& what);
};

// Reads a score text (the format is described in tools/synth/README.md). Throws TScoreError.
TScore ParseScore(std::string_view text, const std::string& cueName);

// The MIDI number of a pitch name such as "C4", "F#5" or "Bb2"; nullopt when it is not one.
std::optional<double> PitchNumber(std::string_view name);

// Frequency in hertz of a MIDI note number, equal temperament with A4 at 440 Hz.
double PitchHertz(double pitch);
