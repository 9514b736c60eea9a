// The sample-rate dependent sizes of the voice engine, computed once per configure().
#pragma once

namespace zv {

struct EngineConfig {
  double sampleRate = 44100.0;
  int decimation = 4;             // D: input samples per analysis sample
  double analysisRate = 11025.0;  // srD = sampleRate / D
  int windowSize = 512;           // N, in decimated samples
  int hop = 64;                   // decimated samples between analyses
  int maxLag = 169;               // longest lag searched, decimated samples (65 Hz)
  int minLag = 11;                // shortest lag searched, decimated samples (1 kHz)
  int maxPeriod = 679;            // maxP: longest period in input samples (65 Hz)
  int samplesPerMs = 44;          // msS
  int normalLatency = 2213;       // input samples
  int lowLatency = 132;           // input samples
  int ringSize = 16384;           // R, a power of two
  int formantWindow = 970;        // W of the consonant shifter, input samples
  int antiAliasTaps = 33;
  int glitchCaptureLength = 65536;
  int stutterCaptureLength = 131072;
};

// Non-positive or non-finite rates fall back to 44.1 kHz, the rate hosts assume by default.
EngineConfig makeEngineConfig(double sampleRate);

// The delay the engine adds in each mode, in input samples, with the same fallback rate; what the
// processor reports to the host.
int normalLatencySamples(double sampleRate);
int lowLatencySamples(double sampleRate);

int nextPowerOfTwo(long long n);

}  // namespace zv
