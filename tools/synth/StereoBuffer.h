// Two channels of samples at the cue rate, -1..1 being full scale.
#pragma once

#include <cstddef>
#include <vector>

// Every cue is written at this rate, and the synthesizer works at it throughout.
constexpr int SampleRate = 44100;

struct TStereoBuffer {
  std::vector<double> Left;
  std::vector<double> Right;

  explicit TStereoBuffer(size_t frames = 0) : Left(frames, 0.0), Right(frames, 0.0) {}
  size_t Frames() const { return Left.size(); }
};
