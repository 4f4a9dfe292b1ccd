// Finishing a mix for use as a cue: fades, loudness, peak limiting and 16-bit samples.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/synth/StereoBuffer.h"

// Fades the first and last samples in and out along half a cosine, so that the cue starts
// and ends at exactly zero and the player's output never clicks.
void ApplyEdgeFades(TStereoBuffer& buffer, int64_t fadeInSamples, int64_t fadeOutSamples);

// Loudness as RMS (full-scale square = 1) over the 10 ms blocks no more than 20 dB below the
// loudest block, so that a short cue with a long quiet tail is judged by what one hears of it.
// 0 for silence.
double GatedRms(const TStereoBuffer& buffer);

// Scales the whole buffer.
void ApplyGain(TStereoBuffer& buffer, double gain);

// Brings every sample within -Ceiling..Ceiling by turning the gain down smoothly around each
// peak: it falls over at most AttackSamples before the peak and recovers over ReleaseSamples
// after it, and stays 1 where nothing is too loud. Returns the lowest gain used.
double LimitPeaks(TStereoBuffer& buffer, double ceiling, int64_t attackSamples, int64_t releaseSamples);

// Interleaved left/right 16-bit samples, full scale = 32767, rounded to the nearest.
std::vector<int16_t> Quantise(const TStereoBuffer& buffer);

double Decibels(double amplitude);
double Amplitude(double decibels);
