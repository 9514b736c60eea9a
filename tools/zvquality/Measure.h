// Measurements of a rendered file against its input, with a pitch estimator of its own
// (normalised cross-correlation for the period, then the phase advance of the fundamental for
// the fine frequency); nothing here is shared with the plug-in's detector.
#pragma once

#include <vector>

#include "Corpus.h"

namespace zvquality {

struct FileResult {
  int steadyFrames = 0;
  double medianCents = 0.0;    // median |cents| from the grid note over steady frames
  double within10 = 0.0;       // share of steady frames within 10 cents
  int octaveErrors = 0;        // steady frames more than 6 semitones off
  double loudnessDb = 0.0;     // output RMS over the notes against the input's
  double spectralRatio = 0.0;  // frame-to-frame spectral change, output over input
};

// The frequency of x from start on (0 when it is not periodic), 60 Hz to 1.1 kHz.
double estimateHz(const std::vector<float>& x, size_t start, double sr);

FileResult measure(const CorpusFile& file, const std::vector<float>& input,
                   const std::vector<float>& output);

}  // namespace zvquality
