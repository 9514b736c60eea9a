#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FactoryPresets.h"

namespace zvrender {

namespace {

// Whole-string numbers only: "512k" or "" must not quietly become 512 or 0.
bool parseInt(const std::string& text, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0';
}

bool parseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end && *end == '\0' && std::isfinite(out);
}

// One option word: its name and, for "--name=value", the value written inline. Both
// "--block 256" and "--block=256" are accepted.
struct OptionWord {
  std::string name;
  std::string inlineValue;
  bool hasInlineValue = false;
};

OptionWord splitOption(const std::string& arg) {
  OptionWord word{arg, {}, false};
  const size_t eq = arg.find('=');
  if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
    word.name = arg.substr(0, eq);
    word.inlineValue = arg.substr(eq + 1);
    word.hasInlineValue = true;
  }
  return word;
}

// The value of the option at argv[i]: written inline, or the next word (which it consumes).
class OptionValue {
 public:
  OptionValue(const OptionWord& word, int argc, const char* const* argv, int& i)
      : word_(word), argc_(argc), argv_(argv), i_(i) {}

  bool take(std::string& out, std::string& error) {
    if (word_.hasInlineValue) {
      out = word_.inlineValue;
      return true;
    }
    if (i_ + 1 >= argc_) {
      error = word_.name + " needs a value";
      return false;
    }
    out = argv_[++i_];
    return true;
  }
  bool none(std::string& error) const {
    if (!word_.hasInlineValue) return true;
    error = word_.name + " takes no value";
    return false;
  }

 private:
  const OptionWord& word_;
  int argc_;
  const char* const* argv_;
  int& i_;
};

// Options whose value is a name or a path; an empty one is refused where it could mean nothing.
struct TextOption {
  const char* name;
  std::string RenderOptions::*field;
  const char* whenEmpty;  // the error for an empty value; nullptr: empty is allowed
};
const TextOption kTextOptions[] = {
    {"--preset", &RenderOptions::presetName, "--preset needs a preset name"},
    {"--user-preset", &RenderOptions::userPresetPath, "--user-preset needs a file name"},
    {"--module", &RenderOptions::modulePath, nullptr},
    {"--meters", &RenderOptions::metersPath, "--meters needs a file name"},
    {"--demo", &RenderOptions::demoDir, "--demo needs an output folder"},
};

// Options that stand alone.
bool applyFlag(const std::string& name, RenderOptions& options) {
  if (name == "-h" || name == "--help") {
    options.showHelp = true;
  } else if (name == "-q" || name == "--quiet") {
    options.quiet = true;
  } else if (name == "--pcm16" || name == "--pcm24" || name == "--float") {
    options.format = name == "--pcm16"   ? SampleFormat::kPcm16
                     : name == "--pcm24" ? SampleFormat::kPcm24
                                         : SampleFormat::kFloat32;
  } else {
    return false;
  }
  return true;
}

// Options with a number or a NAME=TEXT value. false with `error` set on a bad value, and with
// `error` empty when the name is none of these.
bool applyValueOption(const std::string& name, const std::string& text, RenderOptions& options,
                      std::string& error) {
  if (name == "--set") {
    const size_t split = text.find('=');
    if (split == std::string::npos || split == 0) {
      error = "--set expects NAME=TEXT, got \"" + text + "\"";
      return false;
    }
    options.settings.emplace_back(text.substr(0, split), text.substr(split + 1));
  } else if (name == "--block") {
    long n = 0;
    if (!parseInt(text, n) || n < 1 || n > kMaxBlockSize) {
      error = "--block must be a whole number from 1 to " + std::to_string(kMaxBlockSize) +
              ", got \"" + text + "\"";
      return false;
    }
    options.blockSize = static_cast<int>(n);
  } else if (name == "--tempo") {
    if (!parseDouble(text, options.tempoBpm) || options.tempoBpm < kMinTempoBpm ||
        options.tempoBpm > kMaxTempoBpm) {
      error = "--tempo must be a number of beats per minute from 20 to 400, got \"" + text + "\"";
      return false;
    }
  } else if (name == "--start") {
    if (!parseDouble(text, options.startBeats)) {
      error = "--start must be a number of beats, got \"" + text + "\"";
      return false;
    }
  }
  return true;
}

bool isValueOption(const std::string& name) {
  return name == "--set" || name == "--block" || name == "--tempo" || name == "--start";
}

bool applyOption(const OptionWord& word, OptionValue& value, RenderOptions& options,
                 std::string& error) {
  const std::string& name = word.name;
  if (applyFlag(name, options)) return value.none(error);
  for (const TextOption& option : kTextOptions) {
    if (name != option.name) continue;
    std::string& field = options.*option.field;
    if (!value.take(field, error)) return false;
    if (field.empty() && option.whenEmpty) {
      error = option.whenEmpty;
      return false;
    }
    return true;
  }
  if (isValueOption(name)) {
    std::string text;
    return value.take(text, error) && applyValueOption(name, text, options, error);
  }
  error = "unknown option " + name + " (see --help)";
  return false;
}

// The file arguments, once every option is known.
bool applyPositional(const std::vector<std::string>& positional, RenderOptions& options,
                     std::string& error) {
  if (options.showHelp) return true;
  if (!options.demoDir.empty()) {
    if (!positional.empty()) {
      error = "--demo renders its own voice and takes no input or output file";
      return false;
    }
    return true;
  }
  if (positional.size() != 2) {
    error = positional.size() < 2 ? "expected an input and an output file (see --help)"
                                  : "too many file arguments: \"" + positional[2] + "\"";
    return false;
  }
  options.inputPath = positional[0];
  options.outputPath = positional[1];
  if (options.metersPath == options.outputPath) {
    error = "--meters must name a different file than the output";
    return false;
  }
  return true;
}

}  // namespace

bool parseCommandLine(int argc, const char* const* argv, RenderOptions& options,
                      std::string& error) {
  options = RenderOptions{};
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionWord word = splitOption(arg);
    OptionValue value(word, argc, argv, i);
    if (!applyOption(word, value, options, error)) return false;
  }
  return applyPositional(positional, options, error);
}

namespace {

// The factory preset names, quoted, in lines of at most 96 characters.
std::string presetNameLines() {
  std::string presets;
  std::string line = "     ";
  for (int i = 0; i < zv::kNumFactoryPresets; ++i) {
    std::string item = std::string(" \"") + zv::kFactoryPresets[i].name + "\"";
    if (line.size() + item.size() > 96) {
      presets += line + "\n";
      line = "     ";
    }
    line += item;
  }
  return presets + line + "\n";
}

}  // namespace

std::string usageText(const char* programName) {
  std::string name = programName && *programName ? programName : "zvrender";
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const std::string presets = presetNameLines();

  return "Usage: " + name +
         " IN.wav OUT.wav [options]\n"
         "       " +
         name +
         " --demo OUTDIR [options]\n"
         "\n"
         "Renders a WAV file through the ZoquaVoce module exactly as a host would play it: block "
         "by\n"
         "block through the module's exported entry points, with the transport playing. The output "
         "is\n"
         "shifted back by the module's reported latency so it lines up with the input sample for "
         "sample,\n"
         "and the module's tail is played out. Files are written under a temporary name and "
         "renamed\n"
         "only when complete, so a failed run never leaves a half-written file.\n"
         "\n"
         "Input: any WAV libsndfile reads (PCM 8/16/24/32-bit, float, double), mono or stereo, "
         "any\n"
         "sample rate. Output: stereo WAV at the input's sample rate, 32-bit float unless told "
         "otherwise.\n"
         "\n"
         "Options:\n"
         "  --set NAME=TEXT       Set a parameter by its title and a value as the plug-in shows "
         "it; the\n"
         "                        plug-in's own text parsing reads it. Repeatable; applied in "
         "order,\n"
         "                        after any preset. Examples: --set Key=F#  --set Scale=\"Minor\"\n"
         "                        --set Speed=\"20 ms\"  --set Formant=+2  --set \"Low "
         "Latency\"=On\n"
         "                        Titles: Key, Scale, Speed, Shift, Formant, Consonants, Mix, "
         "Output,\n"
         "                        Low Latency, Harmony, Harmony Steps, Character, Character "
         "Amount,\n"
         "                        Stutter, Stutter Rate, Detune (case is ignored; short titles "
         "such as\n"
         "                        LowLat work too). Keys take sharps or flats (Bb is A#); list "
         "values\n"
         "                        take their displayed names; other values must be numbers.\n"
         "  --preset NAME         Apply a factory preset first (its twelve parameters; Key, Scale, "
         "Low\n"
         "                        Latency and Detune are never part of a preset). Names:\n" +
         presets +
         "  --user-preset FILE    Apply a user preset file (.zvp) first, after any --preset.\n"
         "  --block N             Host block size in samples, 1 to 65536 (default 512). The last "
         "block\n"
         "                        of the file may be shorter, as in a host.\n"
         "  --tempo BPM           Host tempo, 20 to 400 (default 120). The transport reports "
         "playing\n"
         "                        with a valid tempo and musical position for every block, so\n"
         "                        tempo-synced effects (Stutter) land on the beat grid.\n"
         "  --start BEATS         Musical position of the first sample, in quarter notes (default "
         "0).\n"
         "  --meters FILE.csv     Write the plug-in's meters once per block: time_s (start of the\n"
         "                        block in the input), pitch_in and pitch_out (MIDI note numbers,\n"
         "                        69 = A4; empty when no pitch is detected), level (meter value "
         "0..1)\n"
         "                        and level_db (the same as dBFS, -60 = silence).\n"
         "  --pcm16, --pcm24      Write 16-bit or 24-bit PCM output (clipped at full scale) "
         "instead of\n"
         "  --float               32-bit float (the default).\n"
         "  --module PATH         The plug-in module to load (default: the one built with this "
         "tool).\n"
         "  --demo OUTDIR         Synthesise a sung demo phrase, slightly off-key, and render it "
         "with a\n"
         "                        few contrasting settings into OUTDIR (input, outputs, meters "
         "and\n"
         "                        pitch-trace images). --set and --preset add to every demo "
         "setting.\n"
         "  -q, --quiet           No progress bar and no summary.\n"
         "  -h, --help            This text.\n"
         "\n"
         "A progress bar is shown when standard error is a terminal; a summary (duration, "
         "latency,\n"
         "voiced share, speed) is printed at the end. Errors are one line on standard error; the "
         "exit\n"
         "status is 0 on success, 2 for a mistake in the command line and 1 for anything else (a "
         "file,\n"
         "a parameter name or value, the module).\n";
}

}  // namespace zvrender
