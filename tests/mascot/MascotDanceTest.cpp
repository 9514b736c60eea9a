// The mascot's dance: moods from scripted meter timelines stepped at the render thread's frame
// time, the beat clock, particles, hostile inputs, a trace of the whole show that must hash the
// same on every platform, and the decorations' shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CanvasTestUtil.h"
#include "Editor.h"
#include "MascotRig.h"
#include "MascotScenes.h"

namespace zv {
namespace {

using snapshot::MeterSegment;
using snapshot::MeterTimeline;

// Pitches in C minor: on a note, 0.2 sharp (neither in tune nor off key), half way between notes.
constexpr float kOn = 60.0f, kNear = 60.2f, kOff = 60.5f;

// The mood changes, as frame:mood, of scripted meter timelines stepped at the render frame time.
TEST(MascotMood, ScriptedTimelinesChangeMoodAtTheirFrames) {
  const struct {
    const char* what;
    std::vector<MeterSegment> script;
    const char* changes;
  } cases[] = {
      // In tune for more than 0.16 s (frame 9 at 20 ms); the delight holds 0.7 s past the last
      // in-tune frame (25), then the off-key singer is shocked at once, for 0.45 s.
      {"delight, its hold, then a shock",
       {{0.5f, kOn, kOn, 0.6f, 120, true}, {2.0f, kOff, kOff, 0.6f, 120, true}},
       "1:singing 9:delighted 61:shocked 84:singing"},
      // Still off key after the shock: the next one waits for the 2.5 s refractory period.
      {"shock refractory",
       {{4.0f, kOff, kOff, 0.6f, 120, true}},
       "1:singing 7:shocked 30:singing 133:shocked 156:singing"},
      // A breath shorter than 0.25 s keeps the singing mood; a longer pause ends it.
      {"short and long pauses",
       {{1.0f, kNear, kNear, 0.6f, 120, true},
        {0.2f, -1, -1, 0, 120, true},
        {0.5f, kNear, kNear, 0.6f, 120, true},
        {0.4f, -1, -1, 0, 120, true}},
       "1:singing 98:idle"},
      // A quiet voice (level at or below 0.22) is silence; out of range pitches are no pitch.
      {"quiet or impossible voices are silence",
       {{0.5f, kNear, kNear, 0.2f, 120, true}, {0.5f, 900, 900, 0.9f, 120, true}},
       ""},
  };
  const char* const names[] = {"idle", "singing", "delighted", "shocked"};
  for (const auto& c : cases) {
    Editor e;
    snapshot::setDanceKey(e);
    std::string changes;
    Mood last = Mood::Idle;
    MeterTimeline(e).run(c.script, [&](int frame) {
      if (e.mood() == last) return;
      last = e.mood();
      changes += (changes.empty() ? "" : " ") + std::to_string(frame) + ":" +
                 names[static_cast<int>(last)];
    });
    EXPECT_EQ(changes, c.changes) << c.what;
  }
}

// After 7 s without an active singer sleepiness rises (1 - 0.96^n a frame): the sleepy face above
// 0.3, the eyes closed above 0.75.
TEST(MascotMood, SilenceLeadsToSleep) {
  Editor e;
  int firstSleepy = 0, firstAsleep = 0;
  MeterTimeline(e).run({{9.0f, -1, -1, 0, 0, false}}, [&](int frame) {
    const MascotRig& rig = e.mascot;
    if (!firstSleepy && rig.face() == kExSleepy) firstSleepy = frame;
    if (!firstAsleep && rig.face() == kExSmile2 && rig.sleepiness > 0.75f) firstAsleep = frame;
  });
  EXPECT_EQ(firstSleepy, 359);  // idle time passes 7 s on frame 350
  EXPECT_EQ(firstAsleep, 384);
}

// Each kind of particle rises at its own spacing: sleep letters every 0.7 s once sleepiness
// passes 0.6; hearts at most every 0.22 s on a streak; notes every 0.46 s while singing with a
// wrong output (no streak), and none once the singer stops. The list never passes its cap.
TEST(MascotMood, ParticlesRiseAtTheirSpacing) {
  const struct {
    ParticleKind kind;
    int first, spacing;
    std::size_t count;  // 0: at least three
    std::vector<MeterSegment> script;
  } cases[] = {
      {ParticleKind::Sleep, 373, 36, 0, {{9.0f, -1, -1, 0, 0, false}}},
      {ParticleKind::Heart, 12, 12, 0, {{8.4f, kOn, kOn, 0.8f, 120, true}}},
      {ParticleKind::Note,
       23,
       23,
       4,
       {{2.0f, kNear, 62, 0.6f, 120, true}, {2, -1, -1, 0, 120, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    Editor e;
    snapshot::setDanceKey(e);
    std::vector<int> frames;
    int before = 0;
    MeterTimeline(e).run(c.script, [&](int frame) {
      int n = 0;
      for (const Particle& p : e.mascot.particles) n += p.kind == c.kind;
      if (n > before) frames.push_back(frame);
      before = n;
      EXPECT_LE(e.mascot.particles.size(), static_cast<std::size_t>(kMaxParticles));
    });
    ASSERT_GE(frames.size(), 3u);
    if (c.count) {
      EXPECT_EQ(frames.size(), c.count);
    }
    EXPECT_EQ(frames[0], c.first);
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i] - frames[i - 1], c.spacing);
  }
}

// In tune with the output matching: every beat with enough good samples adds to the streak, and
// every eighth fires one burst of exactly 18 sparkles. A full list keeps the newest particles.
TEST(MascotMood, StreakFiresOneBurstEveryEighthBeat) {
  Editor e;
  snapshot::setDanceKey(e);
  int sparklesAtBurst = -1, burstFrame = 0;
  MeterTimeline(e).run({{8.4f, kOn, kOn, 0.8f, 120, true}}, [&](int frame) {
    if (e.mascot.bursts != 1 || burstFrame) return;
    burstFrame = frame;
    sparklesAtBurst = 0;
    for (const Particle& p : e.mascot.particles) sparklesAtBurst += p.kind == ParticleKind::Sparkle;
  });
  EXPECT_EQ(e.mascot.streak, 16);
  EXPECT_EQ(e.mascot.bursts, 2);
  EXPECT_EQ(sparklesAtBurst, kBurstSparkles);
  EXPECT_EQ(burstFrame, 201);  // the eighth good beat ends 4 s in, at 120 BPM

  MascotRig rig;
  rig.x = 0, rig.y = 0, rig.width = 316, rig.height = 290;
  for (int i = 0; i < 4; ++i) rig.sparkleBurst();
  const Particle newest = rig.particles.back();
  rig.update(0.02f, RigInputs{});
  ASSERT_EQ(rig.particles.size(), static_cast<std::size_t>(kMaxParticles));
  EXPECT_EQ(rig.particles.back().vx, newest.vx);
}

// The clock free-runs at the host tempo and locks to its beat while playing; a tempo that cannot
// be the host's (meter 0 decodes as 20 BPM, NaN, 400 and above) runs it at 120, and a NaN beat
// pulls nothing.
TEST(MascotRigMotion, BeatClockLocksToTheHostOrFallsBackTo120) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float tempo;
    bool playing;
    double beatsAfterOneSecond;  // free running; playing: locked onto a host half a beat ahead
    bool nanBeat = false;
  } cases[] = {
      {20, false, 2.0}, {nan, false, 2.0}, {400, false, 2.0},
      {90, false, 1.5}, {30, false, 0.5},  {399, false, 6.65},
      {120, true, 2.5}, {75, true, 1.75},  {120, true, 2.0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tempo);
    MascotRig rig;
    RigInputs in;
    in.tempo = c.tempo;
    in.playing = c.playing;
    double host = 0.5;
    for (int i = 0; i < 50; ++i) {
      host += c.tempo * 0.02 / 60;
      in.beat = c.nanBeat ? nan : static_cast<float>(host - std::floor(host));
      rig.update(0.02f, in);
    }
    const bool locked = c.playing && !c.nanBeat;
    const double got = rig.beatPhase - (locked ? std::floor(rig.beatPhase) : 0);
    const double want = c.beatsAfterOneSecond - (locked ? std::floor(c.beatsAfterOneSecond) : 0);
    EXPECT_NEAR(got, want, 1e-4);
  }
}

// A pull backwards across a whole beat must not count that beat a second time.
TEST(MascotRigMotion, ABeatPulledBackIsCountedOnce) {
  MascotRig rig;
  RigInputs in;
  in.mood = static_cast<int>(Mood::Singing);
  in.level = 0.8f;
  in.pitchIn = in.pitchOut = 60;
  in.playing = true;
  rig.beatPhase = 2.99;
  rig.lastWholeBeat = 2;
  rig.beatSamples = rig.beatGoodSamples = 10;
  in.beat = 0.02f;
  rig.update(0.02f, in);  // crosses into beat 3
  EXPECT_EQ(rig.streak, 1);
  EXPECT_EQ(rig.lastWholeBeat, 3);
  in.beat = 0.6f;  // the host jumps back: the pull lands in beat 2
  rig.beatSamples = rig.beatGoodSamples = 10;
  rig.update(0.02f, in);
  EXPECT_LT(rig.beatPhase, 3.0);
  in.beat = 0.2f;  // and forward again into beat 3
  rig.update(0.02f, in);
  EXPECT_GE(rig.beatPhase, 3.0);
  EXPECT_EQ(rig.streak, 1);
  EXPECT_EQ(rig.lastWholeBeat, 3);
}

bool rigFinite(const MascotRig& r) {
  bool finite = std::isfinite(r.time) && std::isfinite(r.beatPhase);
  for (float v : {r.groove, r.tilt, r.tiltVelocity, r.hop, r.breath, r.offsetY, r.offsetVelocity,
                  r.tailLeft, r.tailRight, r.tailLeftVelocity, r.tailRightVelocity, r.shock,
                  r.sleepiness, r.blinkLeft, r.level, r.beatErrorSum})
    finite &= std::isfinite(v);
  for (float v : r.levelRing) finite &= std::isfinite(v);
  for (const Particle& p : r.particles)
    finite &= std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.age);
  return finite;
}

// Hostile frame times, tempos, beats, pitches and levels, mixed into a singing show: the state
// stays finite, the rig stays inside its stage and drawing works.
TEST(MascotRigMotion, HostileMetersKeepTheStateFiniteAndDrawable) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float dts[] = {0.02f, 0, nan, -0.5f, inf, 1e30f, 1e-30f, 0.02f};
  const float tempos[] = {120, nan, inf, -inf, -5, 1e9f};
  const float beats[] = {0.3f, nan, inf, -7.5f, 1e9f};
  const float pitches[] = {60, nan, inf, -inf, 1e9f, -3, 141, 140};
  const float levels[] = {0.7f, nan, inf, -2, 5};
  Editor e;
  snapshot::setDanceKey(e);
  e.resize(860, 720, 1.0f);
  e.paint(true);
  for (int i = 0; i < 600; ++i) {
    const float p = pitches[i % 8];
    e.updateMood(p, pitches[(i / 3) % 8], levels[i % 5], dts[i % 8], tempos[i % 6], beats[i % 5],
                 i % 2 == 0);
    ASSERT_TRUE(rigFinite(e.mascot)) << "step " << i;
    if (i % 97 == 0) e.paintStage();
  }
  // A spring that holds NaN (state set from outside) starts again at rest on the next step.
  e.mascot.tilt = nan;
  e.mascot.tailLeftVelocity = inf;
  e.updateMood(60, 60, 0.6f, 0.02f, 120, 0.1f, true);
  EXPECT_TRUE(rigFinite(e.mascot));
  e.paintStage();
  // Clocks in double: a rig alive for a million seconds still advances by one frame.
  e.mascot.time = 1e6;
  e.mascot.beatPhase = 2e6;
  e.mascot.lastWholeBeat = 2000000;
  e.updateMood(60, 60, 0.6f, 0.02f, 120, 0.1f, false);
  EXPECT_DOUBLE_EQ(e.mascot.time, 1e6 + 0.02f);
  EXPECT_NEAR(e.mascot.beatPhase, 2e6 + 0.04, 1e-6);
}

// Everything the rig decides over the whole show, frame by frame: platform differences in the
// maths (libm, float contraction) change this hash long before anyone sees a pixel move.
TEST(MascotRigMotion, TraceOfTheShowHashesTheSameEverywhere) {
  Editor e;
  snapshot::setDanceKey(e);
  MeterTimeline timeline(e);
  std::uint64_t h = 1469598103934665603ull;
  auto mixIn = [&h](const void* data, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  };
  timeline.run(snapshot::danceScript(), [&](int) {
    const MascotRig& r = e.mascot;
    const float vs[] = {r.groove,          r.tilt,          r.hop,        r.breath,    r.tailLeft,
                        r.tailRight,       r.shock,         r.sleepiness, r.blinkLeft, r.level,
                        e.levelEnvelope(), e.displayPitch()};
    mixIn(vs, sizeof vs);
    const double clocks[] = {r.time, r.beatPhase};
    mixIn(clocks, sizeof clocks);
    const std::int32_t ints[] = {static_cast<std::int32_t>(e.mood()), r.streak,
                                 static_cast<std::int32_t>(r.particles.size())};
    mixIn(ints, sizeof ints);
    for (const Particle& p : r.particles) mixIn(&p, sizeof p);
  });
  EXPECT_EQ(h, 0x31968f628ed75b7full) << std::hex << "0x" << h;
}

// A capsule crossing the rectangle stops 2 pixels inside its left and top edges and 3 inside its
// right and bottom ones; one entirely outside draws nothing.
TEST(MascotDecorations, CapsulesClipToTheInsetRectangle) {
  MascotRig rig;
  rig.x = 10, rig.y = 10, rig.width = 100, rig.height = 100;
  Canvas d(160, 160, 1.0f);
  rig.capsule(d, -20, 60, 200, 60, 6, kRigPink, 1);
  rig.capsule(d, 60, -20, 60, 200, 6, kRigPink, 1);
  rig.capsule(d, 130, 130, 150, 150, 6, kRigPink, 1);
  EXPECT_EQ(test::changedOutside(d, 0, 12, 12, 108, 108), 0);
  EXPECT_NE(d.pixelAt(12, 60), 0u);
  EXPECT_NE(d.pixelAt(107, 60), 0u);
  EXPECT_NE(d.pixelAt(60, 107), 0u);
}

// A particle within 12 units of the stage's edge is alive but not drawn. (The halo's reading of
// the level ring and the glow's mood colours are pinned by the dance-moments golden image.)
TEST(MascotDecorations, ParticlesAtTheEdgeAreHidden) {
  MascotRig rig;
  rig.x = 0, rig.y = 0, rig.width = 316, rig.height = 290;
  auto drawn = [&rig] {
    Canvas c(316, 300, 1.0f);
    rig.draw(c);
    return c.pixels;
  };
  const auto empty = drawn();
  Particle p;
  p.life = 1;
  p.age = 0.5f;
  p.kind = ParticleKind::Heart;
  p.x = 11.5f;
  p.y = 150;
  rig.particles = {p};
  EXPECT_TRUE(drawn() == empty);
  rig.particles[0].x = 30;
  EXPECT_FALSE(drawn() == empty);
}

}  // namespace
}  // namespace zv
