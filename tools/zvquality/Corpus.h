// The benchmark's corpus: synthetic sung phrases whose written notes, keys, scales and A4
// reference are known exactly, each with the settings it is rendered with.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "DemoVoice.h"

namespace zvquality {

struct CorpusFile {
  std::string name;
  std::string description;
  double sampleRate = 44100.0;
  std::vector<zvrender::SungNote> notes;  // midiNote is the grid note the output should reach
  zvrender::VoiceStyle style;
  std::vector<std::pair<std::string, std::string>> settings;  // for zvrender --set
};

std::vector<CorpusFile> corpus();

}  // namespace zvquality
