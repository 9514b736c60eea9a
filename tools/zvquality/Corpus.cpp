#include "Corpus.h"

namespace zvquality {

namespace {

using zvrender::SungNote;

// Notes as {grid note, cents off, seconds, slide, vibrato, vowel}; a short breath before each.
std::vector<SungNote> phrase(std::initializer_list<SungNote> notes, double rest = 0.12) {
  std::vector<SungNote> out(notes);
  for (SungNote& n : out) n.restBefore = rest;
  return out;
}

SungNote note(double midi, double cents, double seconds, char vowel, double vibrato = 0.0,
              double slide = 0.0) {
  SungNote n;
  n.midiNote = midi;
  n.detuneCents = cents;
  n.seconds = seconds;
  n.vowel = vowel;
  n.vibratoCents = vibrato;
  n.slideSeconds = slide;
  return n;
}

}  // namespace

std::vector<CorpusFile> corpus() {
  std::vector<CorpusFile> files;
  const std::vector<std::pair<std::string, std::string>> cMajor = {
      {"Key", "C"}, {"Scale", "Major"}, {"Speed", "0"}};

  CorpusFile f;
  f.name = "vowels-c-major";
  f.description = "clean vowels a e i o u, C4-C5, 20-45 c off, C major";
  f.notes = phrase({note(60, 30, 0.7, 'a'), note(64, -35, 0.7, 'e'), note(67, 25, 0.7, 'i'),
                    note(65, -40, 0.7, 'o'), note(69, 45, 0.7, 'u'), note(71, -20, 0.7, 'a'),
                    note(72, 35, 0.7, 'e'), note(62, -45, 0.7, 'o')});
  f.style.breath = 0.01;
  f.settings = cMajor;
  files.push_back(f);

  f = CorpusFile();
  f.name = "vowels-c-major-48k";
  f.description = "the same at 48 kHz";
  f.sampleRate = 48000.0;
  f.notes = files[0].notes;
  f.style.breath = 0.01;
  f.settings = cMajor;
  files.push_back(f);

  f = CorpusFile();
  f.name = "vowels-c-major-96k";
  f.description = "the same at 96 kHz";
  f.sampleRate = 96000.0;
  f.notes = files[0].notes;
  f.style.breath = 0.01;
  f.settings = cMajor;
  files.push_back(f);

  f = CorpusFile();
  f.name = "low-voice-d-minor";
  f.description = "low voice around 100 Hz, D minor, breathy";
  f.notes = phrase({note(43, 25, 0.8, 'a'), note(45, -30, 0.8, 'o'), note(46, 35, 0.8, 'e'),
                    note(48, -25, 0.8, 'u'), note(50, 40, 0.8, 'a'), note(41, -35, 0.8, 'o')});
  f.style.breath = 0.05;
  f.settings = {{"Key", "D"}, {"Scale", "Minor"}, {"Speed", "0"}};
  files.push_back(f);

  f = CorpusFile();
  f.name = "high-voice-a-major";
  f.description = "high voice around 700 Hz, A major, falsetto-bright";
  f.notes = phrase({note(76, 30, 0.7, 'i'), note(78, -35, 0.7, 'e'), note(80, 25, 0.7, 'a'),
                    note(81, -40, 0.7, 'i'), note(83, 30, 0.7, 'e'), note(73, -25, 0.7, 'a')});
  f.style.breath = 0.02;
  f.settings = {{"Key", "A"}, {"Scale", "Major"}, {"Speed", "0"}};
  files.push_back(f);

  f = CorpusFile();
  f.name = "in-tune";
  f.description = "already on the grid (C major), no jitter";
  f.notes = phrase({note(60, 0, 0.8, 'a'), note(64, 0, 0.8, 'e'), note(67, 0, 0.8, 'o'),
                    note(72, 0, 0.8, 'a'), note(57, 0, 0.8, 'i')});
  f.style.jitter = 0.0;
  f.style.breath = 0.01;
  f.settings = cMajor;
  f.inTune = true;
  files.push_back(f);

  f = CorpusFile();
  f.name = "back-vowels";
  f.description = "o at A3, open o at D4-F4 (first formant on the second harmonic)";
  f.notes = phrase({note(57, 20, 0.8, 'o'), note(62, -30, 0.8, 'o'), note(64, 25, 0.8, 'o'),
                    note(65, -20, 0.8, 'o'), note(62, 30, 0.8, 'u'), note(64, -25, 0.8, 'u')});
  f.style.breath = 0.02;
  f.settings = cMajor;
  files.push_back(f);

  f = CorpusFile();
  f.name = "a432-chromatic-vibrato";
  f.description = "A4 = 432, chromatic, 30 c vibrato";
  f.notes = phrase({note(62, 20, 1.2, 'a', 30), note(66, -30, 1.2, 'e', 30),
                    note(69, 25, 1.2, 'o', 30), note(59, -20, 1.2, 'a', 30)});
  f.style.a4Hz = 432.0;
  f.style.breath = 0.02;
  f.settings = {{"Key", "C"}, {"Scale", "Chromatic"}, {"Speed", "0"}, {"Detune", "432"}};
  files.push_back(f);

  f = CorpusFile();
  f.name = "choir-slides-g-pent";
  f.description = "choir-like (jitter, breath, vibrato), slides, G minor pentatonic, 20 ms";
  f.notes = phrase({note(55, 20, 1.0, 'a', 20), note(58, -25, 1.0, 'o', 20, 0.2),
                    note(62, 30, 1.0, 'a', 20, 0.25), note(65, -20, 1.0, 'e', 20, 0.2),
                    note(67, 25, 1.0, 'o', 20)},
                   0.0);
  f.style.jitter = 0.004;
  f.style.breath = 0.05;
  f.settings = {{"Key", "G"}, {"Scale", "Minor Pent."}, {"Speed", "20 ms"}};
  files.push_back(f);
  return files;
}

}  // namespace zvquality
