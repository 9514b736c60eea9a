// zvquality corpus DIR   writes the corpus WAVs and, per file, the zvrender settings (NAME.args)
// zvquality measure DIR  measures DIR/NAME.out.wav against DIR/NAME.wav and prints a table;
//                        NAME.rtf, when present, holds the render's real-time factor.
// scripts/quality-bench.sh runs the three steps with a given zvrender.
#include <cstdio>
#include <fstream>
#include <string>

#include "AudioFile.h"
#include "Corpus.h"
#include "Measure.h"

namespace {

int writeCorpus(const std::string& dir) {
  for (const zvquality::CorpusFile& f : zvquality::corpus()) {
    const std::vector<float> voice = zvrender::synthesizeVoice(f.notes, f.sampleRate, f.style);
    std::string error;
    if (!zvrender::writeWav(dir + "/" + f.name + ".wav", voice, 1, f.sampleRate,
                            zvrender::SampleFormat::kFloat32, error)) {
      std::fprintf(stderr, "zvquality: %s\n", error.c_str());
      return 1;
    }
    std::ofstream args(dir + "/" + f.name + ".args");
    for (const auto& s : f.settings) args << "--set\n" << s.first << "=" << s.second << "\n";
  }
  return 0;
}

int measureAll(const std::string& dir) {
  std::printf(
      "| file | median c | within 10 c | octave errors | loudness dB | spectral change "
      "| real time |\n|---|---|---|---|---|---|---|\n");
  for (const zvquality::CorpusFile& f : zvquality::corpus()) {
    std::vector<float> in, out;
    int channels = 0;
    double sr = 0.0;
    std::string error;
    if (!zvrender::readWav(dir + "/" + f.name + ".wav", in, channels, sr, error) ||
        !zvrender::readWav(dir + "/" + f.name + ".out.wav", out, channels, sr, error)) {
      std::fprintf(stderr, "zvquality: %s\n", error.c_str());
      return 1;
    }
    std::vector<float> left(out.size() / static_cast<size_t>(channels));
    for (size_t i = 0; i < left.size(); ++i) left[i] = out[i * static_cast<size_t>(channels)];
    const zvquality::FileResult r = zvquality::measure(f, in, left);
    double rtf = 0.0;
    std::ifstream(dir + "/" + f.name + ".rtf") >> rtf;
    std::printf("| %s | %.2f | %.1f %% | %d | %+.2f | %.2fx | %.0fx |\n", f.name.c_str(),
                r.medianCents, 100.0 * r.within10, r.octaveErrors, r.loudnessDb, r.spectralRatio,
                rtf);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (argc == 3 && command == "corpus") return writeCorpus(argv[2]);
  if (argc == 3 && command == "measure") return measureAll(argv[2]);
  std::fprintf(stderr, "usage: zvquality corpus DIR | zvquality measure DIR\n");
  return 2;
}
