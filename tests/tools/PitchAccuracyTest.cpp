// Independent check of the correction: phrases of the quality corpus, sung 20 to 45 cents off
// known notes, rendered through the module and read by the corpus's own estimator (nothing shared
// with the plug-in's detector).
#include <gtest/gtest.h>

#include <string>

#include "Measure.h"
#include "RenderTestSupport.h"

using namespace zvquality;

namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

// The corpus file, at the rate asked for.
CorpusFile corpusFile(const std::string& name, double sampleRate) {
  for (CorpusFile f : corpus())
    if (f.name == name) {
      f.sampleRate = sampleRate;
      return f;
    }
  ADD_FAILURE() << "no corpus file " << name;
  return {};
}

}  // namespace

// Guards the check below: the estimator must find the singer's misses on the dry input and the
// same phrase sung on the grid there, or a passing result would mean nothing.
TEST(PitchAccuracy, TheEstimatorTellsSungMissesFromTheGrid) {
  // The median of how far the notes are sung off, each note being as long as the others.
  for (const auto& [name, medianMiss] :
       {std::pair{"vowels-c-major", 35.0}, {"back-vowels", 25.0}}) {
    for (double sr : {44100.0, 48000.0}) {
      SCOPED_TRACE(testing::Message() << name << " at " << sr << " Hz");
      CorpusFile file = corpusFile(name, sr);
      const auto voice = zvrender::synthesizeVoice(file.notes, sr, file.style);
      const FileResult missed = measure(file, voice, voice);
      ASSERT_GT(missed.steadyFrames, 300);
      EXPECT_EQ(missed.within10, 0.0) << "every sung note is at least 20 cents off";
      EXPECT_NEAR(missed.medianCents, medianMiss, 1.0);
      for (zvrender::SungNote& n : file.notes) n.detuneCents = 0.0;
      const auto onGrid = zvrender::synthesizeVoice(file.notes, sr, file.style);
      const FileResult hit = measure(file, onGrid, onGrid);
      EXPECT_GE(hit.within10, 0.99);
      EXPECT_LT(hit.medianCents, 2.0);
    }
  }
}

// At Speed 0, in low latency and at a gentle speed that settles within the note. On an "o" sung
// at D4 or E4 the half period dips under the detector's threshold first; the note must still
// come out in its own octave.
TEST(PitchAccuracy, OutputLiesOnTheGridOfTheKey) {
  const std::pair<const char*, Settings> cases[] = {{"vowels-c-major", {}},
                                                    {"vowels-c-major", {{"Low Latency", "On"}}},
                                                    {"vowels-c-major", {{"Speed", "20 ms"}}},
                                                    {"back-vowels", {}}};
  for (const auto& [name, extra] : cases) {
    for (double sr : {44100.0, 48000.0}) {
      SCOPED_TRACE(testing::Message()
                   << name << " at " << sr << " Hz, " << extra.size() << " extra settings");
      const CorpusFile file = corpusFile(name, sr);
      const auto voice = zvrender::synthesizeVoice(file.notes, sr, file.style);
      zvrender::RenderJob job;
      job.settings = file.settings;
      job.settings.insert(job.settings.end(), extra.begin(), extra.end());
      const FileResult out = measure(file, voice, zvtest::render(voice, 1, sr, job).left);
      ASSERT_GT(out.steadyFrames, 300);
      EXPECT_GE(out.within10, 0.9);
      EXPECT_LT(out.medianCents, 2.0);
      EXPECT_EQ(out.octaveErrors, 0);
    }
  }
}
