// The cue renderer: turns every score of a folder into a WAVE file of the same name.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "tools/synth/Cues.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: blastover_synth SCORE_FOLDER OUTPUT_FOLDER\n"
                 "Renders each NAME.score of SCORE_FOLDER to OUTPUT_FOLDER/NAME.wav (NAME in capitals).\n";
    return 2;
  }
  const std::filesystem::path output = argv[2];
  try {
    std::filesystem::create_directories(output);
    std::printf("%-26s %-6s %8s %9s %10s %9s\n", "cue", "role", "seconds", "peak dB", "gated dB", "limit dB");
    for (const std::filesystem::path& file : ScoreFiles(argv[1])) {
      const TScore score = LoadScore(file);
      const TRenderedCue cue = RenderCue(score);
      std::ofstream out(output / (score.Name + ".wav"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(cue.Wave.data()), static_cast<std::streamsize>(cue.Wave.size()));
      if (!out) throw std::runtime_error("cannot write " + (output / (score.Name + ".wav")).string());
      std::printf("%-26s %-6s %8.3f %9.2f %10.2f %9.2f\n", score.Name.c_str(), RoleName(score.Role), cue.Seconds,
                  cue.PeakDecibels, cue.LoudnessDecibels, cue.LimitDecibels);
    }
  } catch (const std::exception& error) {
    std::cerr << "blastover_synth: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
