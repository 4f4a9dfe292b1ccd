// Reading the text of a score into notes with start times, lengths and instrument settings.
#include "tools/synth/Score.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

namespace {

constexpr double DefaultTempo = 120.0;  // quarter notes a minute

struct TVoiceState {
  TInstrument Instrument;
  double Time = 0.0;                   // where the next note of the voice starts, in seconds
  std::string LastDuration = "4";      // a note without a duration repeats the one before
};

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    const size_t start = pos;
    while (pos < text.size() && !std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    if (pos > start) words.push_back(text.substr(start, pos - start));
  }
  return words;
}

// The number at the front of Text, with the rest (its unit) left in Text.
std::optional<double> LeadingNumber(std::string_view& text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

class TScoreParser {
public:
  explicit TScoreParser(const std::string& cueName) { Score.Name = cueName; }

  TScore Parse(std::string_view text) {
    bool roleGiven = false;
    size_t pos = 0;
    while (pos <= text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      ++Line;
      roleGiven |= ParseLine(WithoutComment(text.substr(pos, end - pos)));
      pos = end + 1;
    }
    if (!roleGiven) Fail("the score names no role (start, kill, bonus or death)");
    if (Score.Notes.empty()) Fail("the score has no notes");
    for (const auto& [name, voice] : Voices) Score.LengthSeconds = std::max(Score.LengthSeconds, voice.Time);
    return Score;
  }

private:
  TScore Score;
  std::map<std::string, TVoiceState, std::less<>> Voices;
  double Tempo = DefaultTempo;
  int Line = 0;

  [[noreturn]] void Fail(const std::string& what) const { throw TScoreError(Score.Name, Line, what); }

  // "#" starts a comment only at the start of a word, so that "C#5" stays a note.
  static std::string_view WithoutComment(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i)
      if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1]))))
        return line.substr(0, i);
    return line;
  }

  // True when the line named the role.
  bool ParseLine(std::string_view line) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) return false;
    const std::string_view head = words[0];
    if (head == "role") {
      ParseRole(words);
      return true;
    }
    if (head == "tempo") {
      Tempo = ParseSingle(words, "tempo needs quarter notes a minute, like \"tempo 140\"", "");
      if (Tempo < 20.0 || Tempo > 600.0) Fail("tempo out of range 20..600");
    } else if (head == "lowpass") {
      Score.LowPassHz = ParseSingle(words, "lowpass needs a frequency, like \"lowpass 8kHz\"", "Hz");
      if (Score.LowPassHz < 200.0 || Score.LowPassHz > 20000.0) Fail("lowpass out of range 200Hz..20kHz");
    } else if (head == "voice") {
      ParseVoice(words);
    } else if (head.size() > 1 && head.back() == ':') {
      ParseNoteLine(head.substr(0, head.size() - 1), line.substr(line.find(':') + 1));
    } else {
      Fail("expected role, tempo, lowpass, voice or \"VOICE:\" followed by notes, found \"" + std::string(head) + "\"");
    }
    return false;
  }

  void ParseRole(const std::vector<std::string_view>& words) {
    static const std::map<std::string_view, TCueRole> roles = {
        {"start", TCueRole::Start}, {"kill", TCueRole::Kill}, {"bonus", TCueRole::Bonus}, {"death", TCueRole::Death}};
    const auto found = words.size() == 2 ? roles.find(words[1]) : roles.end();
    if (found == roles.end()) Fail("role must be one of start, kill, bonus, death");
    Score.Role = found->second;
  }

  double ParseSingle(const std::vector<std::string_view>& words, const std::string& usage, std::string_view unit) {
    if (words.size() != 2) Fail(usage);
    return Quantity(words[1], unit, usage);
  }

  // Number with a unit: "ms"/"s" for times, "%" for fractions, "Hz"/"kHz", "c" for cents.
  double Quantity(std::string_view text, std::string_view unit, const std::string& usage) {
    std::string_view rest = text;
    const std::optional<double> number = LeadingNumber(rest);
    if (!number) Fail(usage);
    if (unit == "s") {
      if (rest == "ms") return *number / 1000.0;
      if (rest == "s") return *number;
    } else if (unit == "Hz") {
      if (rest == "Hz") return *number;
      if (rest == "kHz") return *number * 1000.0;
    } else if (unit == "%") {
      if (rest == "%") return *number / 100.0;
    } else if (rest == unit) {
      return *number;
    }
    Fail(usage);
  }

  void ParseVoice(const std::vector<std::string_view>& words) {
    if (words.size() < 3) Fail("a voice needs a name and a waveform, like \"voice lead pulse duty=25%\"");
    const std::string name(words[1]);
    if (Voices.contains(name)) Fail("voice \"" + name + "\" is defined twice");
    TVoiceState& voice = Voices[name];
    voice.Instrument.Waveform = Waveform(words[2]);
    for (size_t i = 3; i < words.size(); ++i) ApplySetting(voice.Instrument, words[i]);
  }

  TWaveform Waveform(std::string_view word) {
    if (word == "square") return TWaveform::Square;
    if (word == "pulse") return TWaveform::Pulse;
    if (word == "triangle") return TWaveform::Triangle;
    if (word == "noise") return TWaveform::Noise;
    Fail("waveform must be square, pulse, triangle or noise, found \"" + std::string(word) + "\"");
  }

  double Ranged(double value, double low, double high, std::string_view key) {
    if (value < low || value > high) Fail(std::string(key) + " out of range");
    return value;
  }

  void ApplySetting(TInstrument& instrument, std::string_view word) {
    const size_t equals = word.find('=');
    if (equals == std::string_view::npos) Fail("expected key=value, found \"" + std::string(word) + "\"");
    const std::string_view key = word.substr(0, equals);
    const std::string_view value = word.substr(equals + 1);
    const std::string usage = "bad value in \"" + std::string(word) + "\"";
    if (key == "wave") instrument.Waveform = Waveform(value);
    else if (key == "duty") instrument.Duty = Ranged(Quantity(value, "%", usage), 0.01, 0.99, key);
    else if (key == "attack") instrument.AttackSeconds = Ranged(Quantity(value, "s", usage), 0.0, 10.0, key);
    else if (key == "decay") instrument.DecaySeconds = Ranged(Quantity(value, "s", usage), 0.0, 10.0, key);
    else if (key == "sustain") instrument.Sustain = Ranged(Quantity(value, "%", usage), 0.0, 1.0, key);
    else if (key == "release") instrument.ReleaseSeconds = Ranged(Quantity(value, "s", usage), 0.0, 10.0, key);
    else if (key == "gate") instrument.Gate = Ranged(Quantity(value, "%", usage), 0.01, 1.0, key);
    else if (key == "volume") instrument.Volume = Ranged(Quantity(value, "%", usage), 0.0, 1.0, key);
    else if (key == "pan") instrument.Pan = Ranged(Quantity(value, "%", usage), -1.0, 1.0, key);
    else if (key == "vibrato") instrument.VibratoHz = Ranged(Quantity(value, "Hz", usage), 0.0, 60.0, key);
    else if (key == "depth") instrument.VibratoCents = Ranged(Quantity(value, "c", usage), 0.0, 1200.0, key);
    else if (key == "delay") instrument.VibratoDelaySeconds = Ranged(Quantity(value, "s", usage), 0.0, 10.0, key);
    else if (key == "arp") instrument.ArpeggioSeconds = Ranged(Quantity(value, "s", usage), 0.002, 1.0, key);
    else if (key == "echo") instrument.EchoSeconds = Ranged(Quantity(value, "s", usage), 0.0, 2.0, key);
    else if (key == "echovolume") instrument.EchoVolume = Ranged(Quantity(value, "%", usage), 0.0, 1.0, key);
    else if (key == "noise" && (value == "long" || value == "short")) instrument.ShortNoise = value == "short";
    else Fail("unknown setting \"" + std::string(word) + "\"");
  }

  // Splits a note line into words, keeping "[C5 E5 G5]/8" whole and making "(" and ")x3"
  // words of their own even when they touch a note. Bar lines only help the reader.
  std::vector<std::string> Tokens(std::string_view body) {
    std::vector<std::string> tokens;
    size_t pos = 0;
    const auto isBreak = [](char c) {
      return std::isspace(static_cast<unsigned char>(c)) || c == '(' || c == ')' || c == '|';
    };
    while (pos < body.size()) {
      const char c = body[pos];
      if (std::isspace(static_cast<unsigned char>(c)) || c == '|') {
        ++pos;
      } else if (c == '(') {
        tokens.emplace_back("(");
        ++pos;
      } else {
        const size_t start = pos;
        if (c == '[') {
          pos = body.find(']', pos);
          if (pos == std::string_view::npos) Fail("\"[\" without \"]\"");
        }
        ++pos;
        while (pos < body.size() && !isBreak(body[pos])) ++pos;
        tokens.emplace_back(body.substr(start, pos - start));
      }
    }
    return tokens;
  }

  // Writes out "( ... )xN" groups, nested or not, as plain repeated words.
  std::vector<std::string> Expand(const std::vector<std::string>& tokens, size_t& pos, bool inGroup) {
    std::vector<std::string> result;
    while (pos < tokens.size()) {
      const std::string& token = tokens[pos++];
      if (token == "(") {
        const std::vector<std::string> group = Expand(tokens, pos, true);
        const std::string& close = tokens[pos - 1];
        int count = 0;
        const auto [end, error] = std::from_chars(close.data() + 2, close.data() + close.size(), count);
        if (close.size() < 3 || close[1] != 'x' || error != std::errc() || end != close.data() + close.size() ||
            count < 1 || count > 64)
          Fail("a group ends with \")xN\", N from 1 to 64, found \"" + close + "\"");
        for (int i = 0; i < count; ++i) result.insert(result.end(), group.begin(), group.end());
      } else if (token[0] == ')') {
        if (!inGroup) Fail("\")\" without \"(\"");
        return result;
      } else {
        result.push_back(token);
      }
    }
    if (inGroup) Fail("\"(\" without \")xN\"");
    return result;
  }

  void ParseNoteLine(std::string_view voiceName, std::string_view body) {
    const auto found = Voices.find(voiceName);
    if (found == Voices.end()) Fail("notes for undefined voice \"" + std::string(voiceName) + "\"");
    TVoiceState& voice = found->second;
    size_t pos = 0;
    for (const std::string& word : Expand(Tokens(body), pos, false)) {
      if (word.find('=') != std::string::npos) ApplySetting(voice.Instrument, word);
      else ParseNote(voice, word);
    }
  }

  double Pitch(std::string_view name) {
    const std::optional<double> pitch = PitchNumber(name);
    if (!pitch || *pitch < 0.0 || *pitch > 127.0) Fail("not a pitch: \"" + std::string(name) + "\"");
    return *pitch;
  }

  // "C5/8", "C5>C6/16", "[C5 E5 G5]/4.", "r/8" or a pitch alone that keeps the last duration.
  void ParseNote(TVoiceState& voice, std::string_view word) {
    const size_t close = word[0] == '[' ? word.find(']') : 0;
    const size_t slash = word.find('/', close);
    const std::string_view sound = word.substr(0, slash);
    if (sound.empty()) Fail("a length without a note: \"" + std::string(word) + "\"");
    if (slash != std::string_view::npos) voice.LastDuration = word.substr(slash + 1);
    const double length = Seconds(voice.LastDuration);
    if (sound != "r") {
      TNote note;
      note.StartSeconds = voice.Time;
      note.LengthSeconds = length;
      note.Instrument = voice.Instrument;
      if (sound[0] == '[') {
        for (std::string_view pitch : Words(sound.substr(1, close - 1))) note.Pitches.push_back(Pitch(pitch));
        if (note.Pitches.empty()) Fail("an arpeggio needs pitches");
      } else {
        const size_t arrow = sound.find('>');
        note.Pitches.push_back(Pitch(sound.substr(0, arrow)));
        if (arrow != std::string_view::npos) note.SlideTo = Pitch(sound.substr(arrow + 1));
      }
      Score.Notes.push_back(note);
      if (note.Instrument.EchoSeconds > 0.0) AddEcho(note);
    }
    voice.Time += length;
  }

  void AddEcho(const TNote& note) {
    TNote echo = note;
    echo.StartSeconds += note.Instrument.EchoSeconds;
    echo.Instrument.Volume *= note.Instrument.EchoVolume;
    echo.Instrument.Pan = -note.Instrument.Pan;
    echo.Instrument.EchoSeconds = 0.0;
    Score.Notes.push_back(std::move(echo));
  }

  // Note values ("4" a quarter, "8." a dotted eighth, "8t" an eighth triplet) at the tempo,
  // or times ("120ms", "1.5s"), tied together with "+".
  double Seconds(std::string_view duration) {
    const std::string usage = "bad duration \"" + std::string(duration) + "\"";
    double total = 0.0;
    size_t pos = 0;
    while (pos <= duration.size()) {
      size_t plus = duration.find('+', pos);
      if (plus == std::string_view::npos) plus = duration.size();
      std::string_view part = duration.substr(pos, plus - pos);
      pos = plus + 1;
      if (part.ends_with("s")) {
        total += Quantity(part, "s", usage);
        continue;
      }
      double factor = 1.0;
      if (part.ends_with(".")) factor = 1.5;
      if (part.ends_with("t")) factor = 2.0 / 3.0;
      if (factor != 1.0) part.remove_suffix(1);
      const std::optional<double> value = LeadingNumber(part);
      const double whole = value.value_or(0.0);
      constexpr double NoteValues[] = {1, 2, 4, 8, 16, 32, 64};
      if (!part.empty() || std::find(std::begin(NoteValues), std::end(NoteValues), whole) == std::end(NoteValues))
        Fail(usage);
      const double quarterSeconds = 60.0 / Tempo;
      total += 4.0 / whole * quarterSeconds * factor;
    }
    if (total <= 0.0) Fail(usage);
    return total;
  }
};

}  // namespace

TScoreError::TScoreError(const std::string& cueName, int line, const std::string& what)
    : std::runtime_error(cueName + ".score:" + std::to_string(line) + ": " + what) {}

TScore ParseScore(std::string_view text, const std::string& cueName) { return TScoreParser(cueName).Parse(text); }

std::optional<double> PitchNumber(std::string_view name) {
  static constexpr int SemitoneOfLetter[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty() || name[0] < 'A' || name[0] > 'G') return std::nullopt;
  int semitone = SemitoneOfLetter[name[0] - 'A'];
  size_t pos = 1;
  for (; pos < name.size() && (name[pos] == '#' || name[pos] == 'b'); ++pos) semitone += name[pos] == '#' ? 1 : -1;
  int octave = 0;
  const auto [end, error] = std::from_chars(name.data() + pos, name.data() + name.size(), octave);
  if (error != std::errc() || end != name.data() + name.size()) return std::nullopt;
  return 12.0 * (octave + 1) + semitone;
}

double PitchHertz(double pitch) {
  constexpr double ConcertA = 440.0;
  constexpr double ConcertANumber = 69.0;
  return ConcertA * std::pow(2.0, (pitch - ConcertANumber) / 12.0);
}
