// Renders waveforms of the character and stutter effects as PNG files, for looking at the
// gate ramps, the repeat fades and the colourings rather than reading numbers.
// Usage: dsp_effects_plots <output folder>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CharacterUnit.h"
#include "EffectsSignals.h"
#include "GlitchState.h"
#include "StutterUnit.h"

namespace {

using namespace zv;

constexpr double kSr = 44100.0;

struct Trace {
  std::vector<float> samples;
  unsigned char r, g, b;
};

// One panel per trace group, each trace drawn as per-column min/max bars over [-range, range].
class Plot {
 public:
  Plot(int width, int panelHeight, int panels)
      : w_(width),
        ph_(panelHeight),
        h_(panelHeight * panels),
        pixels_(static_cast<size_t>(w_ * h_ * 3), 255) {
    for (int p = 0; p < panels; ++p)
      for (int x = 0; x < w_; ++x) {
        set(x, p * ph_ + ph_ / 2, 200, 200, 200);
        set(x, p * ph_, 120, 120, 120);
      }
  }

  void draw(int panel, const Trace& t, float range) {
    const size_t n = t.samples.size();
    int prevY = -1;
    for (int x = 0; x < w_; ++x) {
      const size_t a = n * static_cast<size_t>(x) / static_cast<size_t>(w_);
      const size_t b = std::max(a + 1, n * static_cast<size_t>(x + 1) / static_cast<size_t>(w_));
      float lo = 1e9f, hi = -1e9f;
      for (size_t i = a; i < std::min(b, n); ++i) {
        lo = std::min(lo, t.samples[i]);
        hi = std::max(hi, t.samples[i]);
      }
      int y0 = toY(panel, hi, range), y1 = toY(panel, lo, range);
      if (prevY >= 0) {  // join neighbouring columns so zoomed-in curves stay continuous
        y0 = std::min(y0, prevY);
        y1 = std::max(y1, prevY);
      }
      for (int y = y0; y <= y1; ++y) set(x, y, t.r, t.g, t.b);
      prevY = toY(panel, t.samples[std::min(b, n) - 1], range);
    }
  }

  void markColumn(int panel, double fraction, unsigned char r, unsigned char g, unsigned char b) {
    const int x = static_cast<int>(fraction * w_);
    for (int y = panel * ph_; y < (panel + 1) * ph_; y += 3) set(x, y, r, g, b);
  }

  void save(const std::string& path) const {
    stbi_write_png(path.c_str(), w_, h_, 3, pixels_.data(), w_ * 3);
    std::printf("wrote %s\n", path.c_str());
  }

 private:
  int toY(int panel, float v, float range) const {
    const float t = std::clamp(v / range, -1.0f, 1.0f);
    return panel * ph_ + static_cast<int>((0.5f - 0.45f * t) * (ph_ - 1));
  }
  void set(int x, int y, unsigned char r, unsigned char g, unsigned char b) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    unsigned char* p = &pixels_[static_cast<size_t>((y * w_ + x) * 3)];
    p[0] = r, p[1] = g, p[2] = b;
  }
  int w_, ph_, h_;
  std::vector<unsigned char> pixels_;
};

// A gliding vowel, so that a repeated stretch is easy to tell from the live signal.
std::vector<float> glidingVoice(int n) {
  std::vector<float> out(static_cast<size_t>(n));
  double phase = 0.0;
  for (int i = 0; i < n; ++i) {
    const double f0 = 180.0 + 160.0 * (0.5 + 0.5 * std::sin(2.0 * test::kPi * 0.7 * i / kSr));
    phase += 2.0 * test::kPi * f0 / kSr;
    double v = 0.0;
    for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / h;
    const double amp = 0.3 + 0.25 * std::sin(2.0 * test::kPi * 1.3 * i / kSr);
    out[static_cast<size_t>(i)] = static_cast<float>(amp * v);
  }
  return out;
}

void plotGate(const std::string& dir) {
  const double spb = samplesPerBeat(kSr, 120.0);
  const int n = static_cast<int>(2 * spb);
  const auto in = glidingVoice(n);
  StutterUnit unit;
  unit.configure(kSr, 131072);
  Trace out{in, 30, 90, 200}, env{std::vector<float>(static_cast<size_t>(n)), 220, 60, 40};
  std::vector<float> right = in;
  for (int i = 0; i < n; ++i) {
    unit.process(out.samples[static_cast<size_t>(i)], right[static_cast<size_t>(i)], kStutterGate,
                 3, i / spb, spb);
    env.samples[static_cast<size_t>(i)] = unit.gateEnvelope();
  }
  Plot whole(1600, 300, 2);
  whole.draw(0, Trace{in, 120, 120, 120}, 1.0f);
  whole.draw(1, out, 1.0f);
  whole.draw(1, env, 1.0f);
  for (int k = 0; k <= 8; ++k) whole.markColumn(1, k / 8.0, 0, 160, 0);
  whole.save(dir + "/gate_1-16_120bpm.png");

  // Around the first closing (step 0 at 0.55) and the next opening (step 1 at 0).
  const int close = static_cast<int>(std::ceil(0.55 * 5512.5)),
            open = static_cast<int>(std::ceil(5512.5));
  Plot zoom(1200, 300, 2);
  for (int p = 0; p < 2; ++p) {
    const int c = p == 0 ? close : open;
    Trace e{std::vector<float>(env.samples.begin() + c - 150, env.samples.begin() + c + 650), 220,
            60, 40};
    zoom.draw(p, e, 1.0f);
    zoom.markColumn(p, 150.0 / 800.0, 0, 160, 0);
    zoom.markColumn(p, 260.0 / 800.0, 160, 0, 160);  // one 2.5 ms time constant after the edge
  }
  zoom.save(dir + "/gate_ramps_zoom.png");
}

void plotRepeat(const std::string& dir) {
  const double spb = samplesPerBeat(kSr, 120.0);
  const int n = static_cast<int>(2 * spb);
  const auto in = glidingVoice(n);
  StutterUnit unit;
  unit.configure(kSr, 131072);
  std::vector<float> out = in, right = in;
  for (int i = 0; i < n; ++i)
    unit.process(out[static_cast<size_t>(i)], right[static_cast<size_t>(i)], kStutterRepeat, 1,
                 i / spb, spb);
  Plot whole(1600, 300, 2);
  whole.draw(0, Trace{in, 120, 120, 120}, 1.0f);
  whole.draw(1, Trace{out, 30, 90, 200}, 1.0f);
  for (int k = 0; k <= 4; ++k) {
    whole.markColumn(0, k / 4.0, 0, 160, 0);
    whole.markColumn(1, k / 4.0, 0, 160, 0);
  }
  whole.save(dir + "/repeat_1-8_120bpm.png");

  // The seams: the live step's end into the first repeat, and the beat's end into the next.
  Plot zoom(1200, 300, 2);
  for (int p = 0; p < 2; ++p) {
    const int c = p == 0 ? 11025 : 22050;
    zoom.draw(p,
              Trace{std::vector<float>(in.begin() + c - 300, in.begin() + c + 300), 180, 180, 180},
              1.0f);
    zoom.draw(p,
              Trace{std::vector<float>(out.begin() + c - 300, out.begin() + c + 300), 30, 90, 200},
              1.0f);
    zoom.markColumn(p, 0.5, 0, 160, 0);
    zoom.markColumn(p, 212.0 / 600.0, 160, 0, 160);  // 88 samples before the seam
    zoom.markColumn(p, 388.0 / 600.0, 160, 0, 160);  // 88 samples after it
  }
  zoom.save(dir + "/repeat_seams_zoom.png");
}

void plotCharacters(const std::string& dir) {
  const int n = 2000;
  const auto full = glidingVoice(static_cast<int>(kSr));
  const std::vector<float> in(full.end() - n, full.end());
  Plot plot(1400, 160, 7);
  plot.draw(0, Trace{in, 120, 120, 120}, 1.2f);
  int panel = 1;
  for (int c :
       {kCharacterDrive, kCharacterRadio, kCharacterCrush, kCharacterDownsample, kCharacterLoFi}) {
    CharacterUnit unit;
    unit.configure(kSr);
    std::vector<float> out(full.size());
    for (size_t i = 0; i < full.size(); ++i) out[i] = unit.process(full[i], c, 1.0f);
    plot.draw(panel++, Trace{std::vector<float>(out.end() - n, out.end()), 30, 90, 200}, 1.2f);
  }
  GlitchState glitch;
  glitch.configure(kSr, 65536);
  std::vector<float> gl = glidingVoice(2 * static_cast<int>(kSr)), gr = gl;
  const std::vector<float> gin = gl;
  for (size_t i = 0; i < gl.size(); ++i) glitch.process(gl[i], gr[i], 1.0f);
  plot.draw(6, Trace{gin, 190, 190, 190}, 1.2f);
  plot.draw(6, Trace{gl, 200, 60, 40}, 1.2f);
  plot.save(dir + "/characters_full_amount.png");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  plotGate(dir);
  plotRepeat(dir);
  plotCharacters(dir);
  return 0;
}
