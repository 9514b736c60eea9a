#include "Corpus.h"

namespace zvquality {

namespace {

using zvrender::SungNote;
using zvrender::VoiceStyle;
using Settings = std::vector<std::pair<std::string, std::string>>;

// Notes written as the demo melody writes them, {grid note, cents off, seconds, slide, vibrato,
// vowel}, with a breath of `rest` seconds before each.
std::vector<SungNote> phrase(std::initializer_list<SungNote> notes, double rest = 0.12) {
  std::vector<SungNote> out(notes);
  for (SungNote& n : out) n.restBefore = rest;
  return out;
}

// The synthesiser's defaults but for the breath noise and, where named, the jitter and A4.
VoiceStyle voice(double breath, double jitter = VoiceStyle{}.jitter,
                 double a4Hz = VoiceStyle{}.a4Hz) {
  VoiceStyle style;
  style.breath = breath;
  style.jitter = jitter;
  style.a4Hz = a4Hz;
  return style;
}

CorpusFile file(const char* name, const char* description, std::vector<SungNote> notes,
                VoiceStyle style, Settings settings, double sampleRate = 44100.0) {
  return {name, description, sampleRate, std::move(notes), style, std::move(settings)};
}

}  // namespace

std::vector<CorpusFile> corpus() {
  const Settings cMajor = {{"Key", "C"}, {"Scale", "Major"}, {"Speed", "0"}};
  // clang-format off
  const std::vector<SungNote> vowels = phrase({
      {60,  30, 0.7, 0, 0, 'a'}, {64, -35, 0.7, 0, 0, 'e'}, {67,  25, 0.7, 0, 0, 'i'},
      {65, -40, 0.7, 0, 0, 'o'}, {69,  45, 0.7, 0, 0, 'u'}, {71, -20, 0.7, 0, 0, 'a'},
      {72,  35, 0.7, 0, 0, 'e'}, {62, -45, 0.7, 0, 0, 'o'}});
  return {
      file("vowels-c-major", "clean vowels a e i o u, C4-C5, 20-45 c off, C major",
           vowels, voice(0.01), cMajor),
      file("vowels-c-major-48k", "the same at 48 kHz", vowels, voice(0.01), cMajor, 48000.0),
      file("vowels-c-major-96k", "the same at 96 kHz", vowels, voice(0.01), cMajor, 96000.0),
      file("low-voice-d-minor", "low voice around 100 Hz, D minor, breathy", phrase({
           {43,  25, 0.8, 0, 0, 'a'}, {45, -30, 0.8, 0, 0, 'o'}, {46,  35, 0.8, 0, 0, 'e'},
           {48, -25, 0.8, 0, 0, 'u'}, {50,  40, 0.8, 0, 0, 'a'}, {41, -35, 0.8, 0, 0, 'o'}}),
           voice(0.05), {{"Key", "D"}, {"Scale", "Minor"}, {"Speed", "0"}}),
      file("high-voice-a-major", "high voice around 700 Hz, A major, falsetto-bright", phrase({
           {76,  30, 0.7, 0, 0, 'i'}, {78, -35, 0.7, 0, 0, 'e'}, {80,  25, 0.7, 0, 0, 'a'},
           {81, -40, 0.7, 0, 0, 'i'}, {83,  30, 0.7, 0, 0, 'e'}, {73, -25, 0.7, 0, 0, 'a'}}),
           voice(0.02), {{"Key", "A"}, {"Scale", "Major"}, {"Speed", "0"}}),
      file("in-tune", "already on the grid (C major), no jitter", phrase({
           {60,   0, 0.8, 0, 0, 'a'}, {64,   0, 0.8, 0, 0, 'e'}, {67,   0, 0.8, 0, 0, 'o'},
           {72,   0, 0.8, 0, 0, 'a'}, {57,   0, 0.8, 0, 0, 'i'}}),
           voice(0.01, 0.0), cMajor),
      file("back-vowels", "o at A3, open o at D4-F4 (first formant on the second harmonic)",
           phrase({
           {57,  20, 0.8, 0, 0, 'o'}, {62, -30, 0.8, 0, 0, 'o'}, {64,  25, 0.8, 0, 0, 'o'},
           {65, -20, 0.8, 0, 0, 'o'}, {62,  30, 0.8, 0, 0, 'u'}, {64, -25, 0.8, 0, 0, 'u'}}),
           voice(0.02), cMajor),
      file("a432-chromatic-vibrato", "A4 = 432, chromatic, 30 c vibrato", phrase({
           {62,  20, 1.2, 0, 30, 'a'}, {66, -30, 1.2, 0, 30, 'e'}, {69,  25, 1.2, 0, 30, 'o'},
           {59, -20, 1.2, 0, 30, 'a'}}),
           voice(0.02, VoiceStyle{}.jitter, 432.0),
           {{"Key", "C"}, {"Scale", "Chromatic"}, {"Speed", "0"}, {"Detune", "432"}}),
      file("choir-slides-g-pent",
           "choir-like (jitter, breath, vibrato), slides, G minor pentatonic, 20 ms", phrase({
           {55,  20, 1.0, 0,    20, 'a'}, {58, -25, 1.0, 0.2, 20, 'o'},
           {62,  30, 1.0, 0.25, 20, 'a'}, {65, -20, 1.0, 0.2, 20, 'e'},
           {67,  25, 1.0, 0,    20, 'o'}}, 0.0),
           voice(0.05, 0.004), {{"Key", "G"}, {"Scale", "Minor Pent."}, {"Speed", "20 ms"}}),
  };
  // clang-format on
}

}  // namespace zvquality
