// Plays the real game on the headless platform from a seed and a script of timed input,
// as fast as the machine allows, and prints what happened:
//   blastover-headless SCRIPT [--seed N] [--games N] [--trace] [--snapshots FOLDER]
// The script format is described in the README ("Replaying a game headless").
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/GameSession.h"
#include "game/Bonuses.h"
#include "game/Level.h"
#include "game/Monsters.h"
#include "platform/Memory.h"
#include "platform/PngCodec.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/Random.h"

namespace {

constexpr const char* Usage =
    "usage: blastover-headless SCRIPT [--seed N] [--games N] [--trace] [--snapshots FOLDER] [--check] [--memory]\n";
// A snapshot of each level is taken this long after its attackers began to come.
constexpr uint32_t SnapshotDelayMs = 4000;

struct TGlide {
  uint32_t Start, Length;
  TScreenPoint From, To;
  std::string Where;  // the script's line
};

struct TScript {
  uint64_t Seed = 1;
  uint32_t StartTick = 1000;  // where the platform's clock starts; near 2^32 to cross the wrap
  int Width = 1920, Height = 1080;
  std::vector<TGlide> Pointer;                   // in time order; a jump is a glide of length 0
  std::vector<std::pair<uint32_t, bool>> Button;  // (time, held) changes of the left button
  std::vector<uint32_t> Clicks;
  std::optional<uint32_t> Escape;
  uint32_t SweepMs = 0;  // 0: no sweeping
  std::vector<uint32_t> Snapshots;  // times of the pictures asked for, in order
};

// Text from a script or a command line as a terminal can show it: control characters
// (the escape sequences among them) are written as \xNN, and nothing else changes.
std::string Printable(const std::string& text) {
  std::string shown;
  char code[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // U+0080 to U+009F, the control characters of UTF-8, are two bytes: C2 80 to C2 9F.
    const bool wideControl = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0 &&
                             static_cast<unsigned char>(text[i + 1]) >= 0x80;
    if (byte >= 0x20 && byte != 0x7F && !wideControl) {
      shown += text[i];
      continue;
    }
    std::snprintf(code, sizeof code, "\\x%02X", byte);
    shown += code;
    if (wideControl) {
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(text[++i]));
      shown += code;
    }
  }
  return shown;
}

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  std::cerr << "blastover-headless: " << Printable(where) << ": " << Printable(what) << "\n";
  std::exit(2);
}

// Bounds of what a script may ask for: a screen the machine can hold, times whose sums
// stay within the 32-bit clock, and a pointer at most a screen beyond the screen's edges.
constexpr int MinScreenSide = 100, MaxScreenSide = 16384;
constexpr int64_t MaxScreenPixels = int64_t{8192} * 8192;
constexpr uint32_t MaxScriptTime = 2'000'000'000;
constexpr int MaxGames = 1'000'000;
// A script is read whole before the games begin: bounds on what it may hold, far beyond
// any real one (a million clicks take 18 MB).
constexpr uint64_t MaxScriptBytes = uint64_t{64} << 20;
constexpr size_t MaxLineBytes = 4096;

// Word as a whole number from Low to High, or none: no sign where Low is 0, nothing after it.
template <typename T>
std::optional<T> WholeNumber(const std::string& word, T low, T high) {
  T value{};
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

// The next word of Words as a number from Low to High; otherwise the run ends saying What.
template <typename T>
T NextNumber(std::istringstream& words, T low, T high, const std::string& where, const std::string& what) {
  std::string word;
  words >> word;
  const std::optional<T> value = WholeNumber<T>(word, low, high);
  if (!value)
    Fail(where, what + " from " + std::to_string(low) + " to " + std::to_string(high) +
                    (word.empty() ? "" : ", not '" + word + "'"));
  return *value;
}

uint32_t NextTime(std::istringstream& words, const std::string& where, const std::string& what) {
  return NextNumber<uint32_t>(words, 0, MaxScriptTime, where, what + " needs a time in milliseconds");
}

TScreenPoint PointerAt(const TScript& script, uint32_t time) {
  // The last glide begun by Time decides alone: it starts where the one before it ended.
  const auto after = std::upper_bound(script.Pointer.begin(), script.Pointer.end(), time,
                                      [](uint32_t t, const TGlide& glide) { return t < glide.Start; });
  if (after == script.Pointer.begin()) return {script.Width / 2, script.Height / 2};
  const TGlide& glide = *std::prev(after);
  if (glide.Length == 0 || time >= glide.Start + glide.Length) return glide.To;
  const double f = static_cast<double>(time - glide.Start) / glide.Length;
  return {glide.From.X + static_cast<int>((glide.To.X - glide.From.X) * f),
          glide.From.Y + static_cast<int>((glide.To.Y - glide.From.Y) * f)};
}

// Whether the script holds the left button down at Time.
bool ButtonAt(const TScript& script, uint32_t time) {
  const auto after = std::upper_bound(script.Button.begin(), script.Button.end(), time,
                                      [](uint32_t t, const std::pair<uint32_t, bool>& change) { return t < change.first; });
  return after != script.Button.begin() && std::prev(after)->second;
}

// A pointer position: the screen's size (known only once the whole script is read) bounds it.
void CheckPointer(const TScript& script) {
  for (const TGlide& glide : script.Pointer) {
    const auto outside = [](int v, int side) { return v < -side || v >= 2 * side; };
    if (outside(glide.To.X, script.Width) || outside(glide.To.Y, script.Height))
      Fail(glide.Where, "the pointer may go at most a screen beyond the screen's edges: x from " +
                            std::to_string(-script.Width) + " to " + std::to_string(2 * script.Width - 1) + ", y from " +
                            std::to_string(-script.Height) + " to " + std::to_string(2 * script.Height - 1));
  }
}

// The action of an "at TIME" line.
void ReadAction(std::istringstream& words, const std::string& action, uint32_t time, const std::string& where,
                TScript& script, TScreenPoint& last) {
  if (last.X == INT_MIN) last = {script.Width / 2, script.Height / 2};
  if (action == "pointer" || action == "move") {
    TScreenPoint to{};
    to.X = NextNumber(words, -MaxScreenSide, 2 * MaxScreenSide - 1, where, action + " needs x");
    to.Y = NextNumber(words, -MaxScreenSide, 2 * MaxScreenSide - 1, where, action + " needs y");
    const uint32_t length = action == "move" ? NextTime(words, where, "move's duration") : 0;
    if (!script.Pointer.empty() && time < script.Pointer.back().Start) Fail(where, "pointer commands go back in time");
    script.Pointer.push_back({time, length, last, to, where});
    last = to;
  } else if (action == "click") {
    script.Clicks.push_back(time);
  } else if (action == "press" || action == "release") {
    if (!script.Button.empty() && time < script.Button.back().first) Fail(where, "button commands go back in time");
    script.Button.emplace_back(time, action == "press");
  } else if (action == "escape") {
    script.Escape = time;
  } else if (action == "snapshot") {
    if (!script.Snapshots.empty() && time < script.Snapshots.back()) Fail(where, "snapshots go back in time");
    script.Snapshots.push_back(time);
  } else {
    Fail(where, action.empty() ? "expected 'at TIME ACTION ...'" : "unknown action '" + action + "'");
  }
}

// One line of the script: a setting or a timed action; the run ends with its reason
// at the first line that makes no sense.
void ReadLine(std::istringstream& words, const std::string& command, const std::string& where, TScript& script,
              TScreenPoint& last) {
  if (command == "seed") {
    script.Seed = NextNumber<uint64_t>(words, 0, UINT64_MAX, where, "seed needs a number");
  } else if (command == "screen") {
    script.Width = NextNumber(words, MinScreenSide, MaxScreenSide, where, "screen needs a width");
    script.Height = NextNumber(words, MinScreenSide, MaxScreenSide, where, "screen needs a height");
    if (int64_t{script.Width} * script.Height > MaxScreenPixels)
      Fail(where, "a screen of " + std::to_string(script.Width) + " x " + std::to_string(script.Height) +
                      " is more than " + std::to_string(MaxScreenPixels) + " pixels");
  } else if (command == "clock") {
    script.StartTick = NextNumber<uint32_t>(words, 0, UINT32_MAX, where, "clock needs the tick to start at,");
  } else if (command == "sweep") {
    script.SweepMs = NextNumber<uint32_t>(words, 1, MaxScriptTime, where, "sweep needs a period in milliseconds");
  } else if (command == "end") {
    script.Escape = NextTime(words, where, "end");
  } else if (command == "at") {
    const uint32_t time = NextTime(words, where, "at");
    std::string action;
    words >> action;
    ReadAction(words, action, time, where, script, last);
  } else {
    Fail(where, "unknown command '" + command + "'; expected seed, screen, clock, sweep, end or 'at TIME ACTION ...'");
  }
  if (std::string extra; words >> extra) Fail(where, "unexpected '" + extra + "' at the end of the line");
}

// One line of the script, its comment cut off.
void ReadScriptLine(std::string line, const std::string& where, TScript& script, TScreenPoint& last) {
  line = line.substr(0, line.find('#'));
  std::istringstream words(line);
  std::string command;
  if (words >> command) ReadLine(words, command, where, script, last);
}

TScript ReadScriptFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) Fail(path, "is a folder, not a script");
  // Read in pieces, each bounded: a device or a pipe may never end, or never end a line.
  std::ifstream file(path, std::ios::binary);
  if (!file) Fail(path, "cannot be read");
  TScript script;
  TScreenPoint last{INT_MIN, INT_MIN};
  std::string line;
  int number = 1;
  uint64_t total = 0;
  std::vector<char> buffer(size_t{1} << 16);
  while (file.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || file.gcount() > 0) {
    const auto got = static_cast<size_t>(file.gcount());
    total += got;
    if (total > MaxScriptBytes)
      Fail(path, "is more than " + std::to_string(MaxScriptBytes) + " bytes, more than a script may be");
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        ReadScriptLine(line, path + ":" + std::to_string(number++), script, last);
        line.clear();
      } else if (line.size() < MaxLineBytes) {
        line += buffer[i];
      } else {
        Fail(path + ":" + std::to_string(number), "the line is longer than " + std::to_string(MaxLineBytes) + " bytes");
      }
    }
  }
  if (file.bad()) Fail(path, "cannot be read");
  ReadScriptLine(line, path + ":" + std::to_string(number), script, last);
  CheckPointer(script);
  std::sort(script.Clicks.begin(), script.Clicks.end());
  return script;
}

TScript ReadScript(const std::string& path) {
  try {
    return ReadScriptFile(path);
  } catch (const std::bad_alloc&) {
    Fail(path, "holds more than this machine's memory takes");
  }
}

void Install(THeadlessPlatform& platform, const TScript& script) {
  const uint32_t start = script.StartTick;
  platform.SetPointerScript([&script, start](uint32_t tick) { return PointerAt(script, tick - start); });
  platform.SetButtonScript([&script](uint32_t tick) { return ButtonAt(script, tick - script.StartTick) ? 1u : 0u; });
  platform.SetEscapeScript([&script, start](uint32_t tick) { return script.Escape && tick - start >= *script.Escape; });
  for (uint32_t time : script.Clicks) platform.ScheduleClick(start + time);
}

// The headless platform, counting the cues the game plays even when it records nothing else.
class TRunnerPlatform : public THeadlessPlatform {
 public:
  using THeadlessPlatform::THeadlessPlatform;
  bool PlaySound(const std::string& name) override {
    ++Cues[name];
    return THeadlessPlatform::PlaySound(name);
  }
  std::map<std::string, int> Cues;
};

// What must hold in every frame of a game; a failure ends the run with its reason.
class TInvariants {
 public:
  explicit TInvariants(const TWorldForm& world) : World(world) {}

  void NewGame() { LastScore = 0; }
  void Check(uint32_t time) {
    const auto fail = [time](const std::string& what) {
      std::fprintf(stderr, "blastover-headless: at %u ms: %s\n", time, what.c_str());
      std::exit(3);
    };
    if (World.Score < LastScore) fail("the score went down from " + std::to_string(LastScore) + " to " + std::to_string(World.Score));
    LastScore = World.Score;
    if (World.Lives < 0) fail("lives below 0");
    if (World.ShotScale < 0 || World.ShotScale > 3.5) fail("the flash has a scale of " + std::to_string(World.ShotScale));
    if (const TLevel* level = World.Level.get()) {
      if (World.MonsterList->Count() > std::max(level->MaxOnScreen, 0))
        fail(std::to_string(World.MonsterList->Count()) + " attackers, more than " + std::to_string(level->MaxOnScreen));
      if (World.BonusList->Count() > std::max(level->MaxOnScreen, 0))
        fail(std::to_string(World.BonusList->Count()) + " bonuses, more than " + std::to_string(level->MaxOnScreen));
    }
    if (World.MissileList->Count() > MaxMissiles) fail(std::to_string(World.MissileList->Count()) + " missiles");
    if (World.BombList->Count() > MaxBombs) fail(std::to_string(World.BombList->Count()) + " bombs");
  }

 private:
  // Far beyond what play makes: missiles fly until the level ends, bombs for ten frames.
  static constexpr int MaxMissiles = 5000;
  static constexpr int MaxBombs = 100;
  const TWorldForm& World;
  int32_t LastScore = 0;
};

// The resident size of the process in KiB.
long ResidentKiB() { return static_cast<long>(ResidentBytes() / 1024); }

// The bytes the program has allocated and not freed, in KiB.
long HeapInUseKiB() { return static_cast<long>(HeapBytesInUse() / 1024); }

// A perfect player's sweep: every living attacker and missile is hit until it dies.
void Sweep(TWorldForm& world) {
  for (TSpriteList* list : {static_cast<TSpriteList*>(world.MonsterList.get()), static_cast<TSpriteList*>(world.MissileList.get())}) {
    for (int i = 0; i < list->Count(); ++i) {
      TSprite* sprite = list->Items(i);
      if (sprite->Dying) continue;
      sprite->Flashing = false;
      sprite->HitPoints = 1;
      sprite->Hit();
    }
  }
}

void PrintSummary(int game, const TWorldForm& world, const TRunnerPlatform& platform, uint32_t gameTime, int frames,
                  const std::map<std::string, int>& cuesBefore) {
  std::map<std::string, int> counted;
  int total = 0;
  for (const auto& [name, count] : platform.Cues) {
    const auto before = cuesBefore.find(name);
    const int played = count - (before == cuesBefore.end() ? 0 : before->second);
    if (played > 0) counted[name] = played;
    total += played;
  }
  std::printf("game %d\n", game);
  std::printf("  game time   %u ms\n", gameTime);
  std::printf("  frames      %d\n", frames);
  std::printf("  score       %d\n", world.Score);
  std::printf("  high score  %d\n", world.HighScore);
  std::printf("  lives       %d\n", world.Lives);
  std::printf("  level       %d\n", world.LevelNumber);
  std::printf("  cycle       %d\n", world.Cycle);
  std::printf("  kills       %d\n", world.Statistics.Kills);
  std::printf("  lives lost  %d\n", world.Statistics.LivesLost);
  std::printf("  extra lives %d\n", world.Statistics.ExtraLives);
  std::printf("  shots       %d\n", world.Statistics.ShotsFired);
  std::printf("  bonuses     %d\n", world.Statistics.BonusesCollected);
  std::printf("  ended by    %s\n", world.Quit ? "quit" : "game over");
  std::printf("  cues        %d:", total);
  for (const auto& [name, count] : counted) std::printf(" %s x%d", name.c_str(), count);
  std::printf("\n");
}

struct TOptions {
  std::string ScriptPath;
  std::optional<uint64_t> Seed;
  int Games = 1;
  bool Trace = false;
  bool Check = false;
  bool Memory = false;
  std::string Snapshots;  // the folder for a picture of every level; empty for none
};

// The options of the command line; the run ends with the reason when they make no sense.
TOptions ParseOptions(int argc, char** argv) {
  TOptions options;
  const auto value = [&](int& i, const std::string& option) {
    if (i + 1 >= argc) Fail(option, "needs a value");
    return std::string(argv[++i]);
  };
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--seed") {
      const std::string word = value(i, argument);
      options.Seed = WholeNumber<uint64_t>(word, 0, UINT64_MAX);
      if (!options.Seed) Fail(argument, "needs a whole number of 0 or more, not '" + word + "'");
    } else if (argument == "--games") {
      const std::string word = value(i, argument);
      const std::optional<int> games = WholeNumber(word, 1, MaxGames);
      if (!games) Fail(argument, "needs a number of games from 1 to " + std::to_string(MaxGames) + ", not '" + word + "'");
      options.Games = *games;
    } else if (argument == "--trace" || argument == "--check" || argument == "--memory") {
      (argument == "--trace" ? options.Trace : argument == "--check" ? options.Check : options.Memory) = true;
    } else if (argument == "--snapshots") {
      options.Snapshots = value(i, argument);
      std::error_code error;
      if (!std::filesystem::is_directory(options.Snapshots, error))
        Fail(argument, "'" + options.Snapshots + "' is not a folder; make it first");
    } else if (options.ScriptPath.empty() && !argument.empty() && argument[0] != '-') {
      options.ScriptPath = argument;
    } else {
      Fail(argument, options.ScriptPath.empty() || argument[0] == '-' ? "unknown option" : "a second script");
    }
  }
  if (options.ScriptPath.empty()) {
    std::cerr << Usage;
    std::exit(2);
  }
  return options;
}

// What the run watches besides the games themselves, after every frame the game puts
// on the screen: a state line every second when tracing, a picture of every level and
// those the script asks for, the heap as each cycle of levels begins, and the
// invariants. None of it runs on a timer: the headless clock stops at every timer that
// is due, so a timer of the watchers' own would move the game's frames and ticks. The
// perfect player's sweep is play, not watching, and keeps its timer.
class TWatchers {
 public:
  TWatchers(const TOptions& options, const TScript& script, TRunnerPlatform& platform, TWorldForm& world)
      : Options(options), Script(script), Platform(platform), World(world), Invariants(world) {
    if (script.SweepMs != 0) Sweeper = std::make_unique<TTimer>(script.SweepMs, [this] { Sweep(World); });
    platform.SetPresentHook([this](TWindowKind kind) {
      if (kind == TWindowKind::Overlay) Watch();
    });
  }
  ~TWatchers() { Platform.SetPresentHook(nullptr); }
  TWatchers(const TWatchers&) = delete;
  TWatchers& operator=(const TWatchers&) = delete;

  void NewGame() { Invariants.NewGame(); }
  // The heap in use each time a new cycle of levels began: the same point of play, so
  // growth between them would be a leak.
  const std::vector<std::pair<int, long>>& CycleMemory() const { return Cycles; }

 private:
  void Watch() {
    const uint32_t time = Platform.TickCount() - Script.StartTick;
    if (Options.Trace) TraceState(time);
    if (!Options.Snapshots.empty()) {
      Snapshot(time);
      TakeAskedSnapshots(time);
    }
    if (Options.Memory) WatchMemory();
    if (Options.Check) Invariants.Check(time);
  }
  void TraceState(uint32_t time) {
    if (time < NextTrace) return;
    NextTrace = (time / 1000 + 1) * 1000;
    std::printf("%8u  score %d lives %d level %d attackers %d missiles %d bonuses %d\n", time, World.Score, World.Lives,
                World.LevelNumber, World.MonsterList ? World.MonsterList->Count() : 0,
                World.MissileList ? World.MissileList->Count() : 0, World.BonusList ? World.BonusList->Count() : 0);
  }
  // One picture of every level in play, SnapshotDelayMs after its attackers began to
  // come, saved as LEVEL-CYCLE.png.
  void Snapshot(uint32_t time) {
    if (!World.Level || !World.Level->IsStarted()) return;
    const auto key = std::make_pair(World.LevelNumber, World.Cycle);
    const auto [entry, added] = SeenLevels.emplace(key, time);
    if (added || time - entry->second < SnapshotDelayMs || !SnappedLevels.insert(key).second) return;
    const std::string path =
        Options.Snapshots + "/level-" + std::to_string(key.first) + "-cycle-" + std::to_string(key.second) + ".png";
    Platform.SaveFramePng(Platform.LastFrame(TWindowKind::Overlay), path);
  }
  // The pictures the script asks for ("at T snapshot"), from the first frame at or after
  // T: the frame as the window got it (at-T.png, as it shows over black) and the
  // playfield it was enlarged from (at-T-playfield.png).
  void TakeAskedSnapshots(uint32_t time) {
    if (NextAsked >= Script.Snapshots.size() || time < Script.Snapshots[NextAsked]) return;
    const uint32_t asked = Script.Snapshots[NextAsked];
    const std::string name = Options.Snapshots + "/at-" + std::to_string(asked);
    Platform.SaveFramePng(Platform.LastFrame(TWindowKind::Overlay), name + ".png");
    WritePngFile(name + "-playfield.png", World.Playfield().View(), false);
    while (NextAsked < Script.Snapshots.size() && Script.Snapshots[NextAsked] <= time) ++NextAsked;
  }
  void WatchMemory() {
    if (World.LevelNumber == 1 && (Cycles.empty() || Cycles.back().first != World.Cycle))
      Cycles.emplace_back(World.Cycle, HeapInUseKiB());
  }

  const TOptions& Options;
  const TScript& Script;
  TRunnerPlatform& Platform;
  TWorldForm& World;
  TInvariants Invariants;
  uint32_t NextTrace = 0;
  std::map<std::pair<int, int>, uint32_t> SeenLevels;
  std::set<std::pair<int, int>> SnappedLevels;
  size_t NextAsked = 0;
  std::vector<std::pair<int, long>> Cycles;
  std::unique_ptr<TTimer> Sweeper;
};

void PrintMemory(long atStart, const std::vector<std::pair<int, long>>& cycles) {
  std::printf("  memory      %ld KiB at the start, %ld KiB at the end, %ld KiB at the most\n", atStart, ResidentKiB(),
              static_cast<long>(PeakResidentBytes() / 1024));
  if (cycles.size() < 2) return;
  std::printf("  heap        KiB in use as a cycle began:");
  for (size_t i = 1; i < cycles.size(); i += std::max<size_t>(1, cycles.size() / 6))
    std::printf(" %ld (cycle %d)", cycles[i].second, cycles[i].first);
  std::printf(" %ld (cycle %d)\n", cycles.back().second, cycles.back().first);
}

// Plays the games one after the other, each from its own seed, and prints the summary of each.
void PlayGames(const TOptions& options, const TScript& script, TRunnerPlatform& platform, TWorldForm& world,
               TWatchers& watchers) {
  for (int game = 1; game <= options.Games && !world.Quit; ++game) {
    const uint32_t gameStart = platform.TickCount();
    const std::map<std::string, int> cuesBefore = platform.Cues;
    const int framesBefore = platform.FrameCount(TWindowKind::Overlay);
    world.ResetGame();
    watchers.NewGame();
    const long memoryAtStart = ResidentKiB();
    RandSeed(script.Seed * 1000 + static_cast<uint64_t>(game));
    world.PlayGame();
    // The last picture of a game is the clear one that leaves the desktop showing.
    PrintSummary(game, world, platform, platform.TickCount() - gameStart,
                 platform.FrameCount(TWindowKind::Overlay) - framesBefore - 1, cuesBefore);
    if (options.Memory) PrintMemory(memoryAtStart, watchers.CycleMemory());
  }
}

void PrintEvents(const TRunnerPlatform& platform, const TScript& script) {
  for (const THeadlessEvent& event : platform.Events())
    std::printf("%8u  %s %s\n", event.Tick - script.StartTick, event.What.c_str(), event.Detail.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const TOptions options = ParseOptions(argc, argv);
  TScript script = ReadScript(options.ScriptPath);
  if (options.Seed) script.Seed = *options.Seed;

  TRunnerPlatform platform(script.Width, script.Height, script.StartTick);
  platform.KeepFrames(options.Snapshots.empty() ? 0 : 1);  // without snapshots the pictures are only counted
  if (!options.Trace) platform.StopRecording();
  Install(platform, script);
  try {
    TGameSession session(platform);
    TWatchers watchers(options, script, platform, session.World());
    PlayGames(options, script, platform, session.World(), watchers);
    if (options.Trace) PrintEvents(platform, script);
  } catch (const std::exception& failure) {
    std::cerr << "blastover-headless: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
