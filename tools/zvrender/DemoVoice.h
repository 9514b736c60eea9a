// A small singing-voice synthesiser for demos and listening tests: a Rosenberg glottal pulse
// through a cascade of vowel formants, with glides, vibrato and noise consonants. It stands in
// for a recorded singer whose pitch and voicing are known exactly.
#pragma once

#include <cstdint>
#include <vector>

namespace zvrender {

struct SungNote {
  double midiNote = 60.0;     // the written note, 69 = A4
  double detuneCents = 0.0;   // how far the singer misses it
  double seconds = 0.5;       // length of the voiced part
  double slideSeconds = 0.0;  // glide from the previous note's pitch at the start
  double vibratoCents = 0.0;  // depth (each way) of a 5.5 Hz vibrato that fades in after 0.25 s
  char vowel = 'a';           // a, e, i, o, u
  char consonant =
      0;  // 's', 'f', 't' or 'x' (as in "sh") sung unvoiced before the note; 0 for none
  double restBefore = 0.0;  // silence before the consonant or note
};

struct VoiceStyle {
  double a4Hz = 440.0;
  double jitter = 0.0015;  // random period variation, a fraction of the period
  double breath = 0.03;    // aspiration noise against the glottal pulse
  double peak = 0.5;       // the whole phrase is scaled to this peak
  uint32_t seed = 0x5eed;
};

// The time span of one note's voiced part, as rendered.
struct NoteSpan {
  double startSeconds;
  double endSeconds;
  double sungMidi;  // written note plus detune, before vibrato
};

std::vector<float> synthesizeVoice(const std::vector<SungNote>& notes, double sampleRate,
                                   const VoiceStyle& style, std::vector<NoteSpan>* spans = nullptr);

// The built-in demo phrase: a C major melody sung 20 to 45 cents off, one slide up and one down,
// vibrato on the long notes and a few consonants.
std::vector<SungNote> demoMelody();

}  // namespace zvrender
