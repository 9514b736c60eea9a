// The plug-in's meter encodings, read back into musical units.
#pragma once

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "ParamDefs.h"

namespace zvrender {

// The fractional MIDI note (69 = A4) a pitch meter shows, or NaN when there is no pitch.
inline double decodePitchMeter(double value) {
  if (!(value >= zv::kNoPitchBelow)) return std::numeric_limits<double>::quiet_NaN();
  return zv::noteFromPitchMeter(value);
}

struct MeterRow {
  double timeSeconds = 0.0;  // start of the block, on the input's timeline
  double pitchInNote = std::numeric_limits<double>::quiet_NaN();
  double pitchOutNote = std::numeric_limits<double>::quiet_NaN();
  double level = 0.0;  // the meter value, 0..1
};

inline const char* meterCsvHeader() {
  return "time_s,pitch_in,pitch_out,level,level_db\n";
}

// One CSV line; a missing pitch is an empty field so spreadsheets and pandas read it as missing.
inline std::string meterCsvLine(const MeterRow& row) {
  char in[32] = "";
  char out[32] = "";
  if (std::isfinite(row.pitchInNote)) std::snprintf(in, sizeof in, "%.3f", row.pitchInNote);
  if (std::isfinite(row.pitchOutNote)) std::snprintf(out, sizeof out, "%.3f", row.pitchOutNote);
  char line[160];
  std::snprintf(line, sizeof line, "%.6f,%s,%s,%.4f,%.2f\n", row.timeSeconds, in, out, row.level,
                zv::dbFromLevelMeter(row.level));
  return line;
}

}  // namespace zvrender
