// The mascot's dance: moods from scripted meter timelines stepped at the render thread's frame
// time, the beat clock, particles, hostile inputs, a trace of the whole show that must hash the
// same on every platform, and the decorations' shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "Editor.h"
#include "MascotRig.h"
#include "MascotScenes.h"

namespace zv {
namespace {

using snapshot::MeterSegment;
using snapshot::MeterTimeline;

// Pitches in C minor: on a note, 0.2 sharp (neither in tune nor off key), half way between notes.
constexpr float kOn = 60.0f, kNear = 60.2f, kOff = 60.5f;

struct MoodProbe {
  int frame;
  Mood mood;
};

struct MoodCase {
  const char* what;
  std::vector<MeterSegment> script;
  std::vector<MoodProbe> probes;
};

TEST(MascotMood, ScriptedTimelinesReachEachMoodAtTheirFrames) {
  const MoodCase cases[] = {
      // In tune for more than 0.16 s (frame 9 at 20 ms); the delight holds 0.7 s past the last
      // in-tune frame (25), then the off-key singer is shocked at once, for 0.45 s.
      {"delight, its hold, then a shock",
       {{0.5f, kOn, kOn, 0.6f, 120, true}, {2.0f, kOff, kOff, 0.6f, 120, true}},
       {{8, Mood::Singing},
        {9, Mood::Delighted},
        {60, Mood::Delighted},
        {61, Mood::Shocked},
        {83, Mood::Shocked},
        {84, Mood::Singing}}},
      // Still off key after the shock: the next one waits for the 2.5 s refractory period.
      {"shock refractory",
       {{4.0f, kOff, kOff, 0.6f, 120, true}},
       {{7, Mood::Shocked}, {30, Mood::Singing}, {132, Mood::Singing}, {133, Mood::Shocked}}},
      // A breath shorter than 0.25 s keeps the singing mood; a longer pause ends it.
      {"short and long pauses",
       {{1.0f, kNear, kNear, 0.6f, 120, true},
        {0.2f, -1, -1, 0, 120, true},
        {0.5f, kNear, kNear, 0.6f, 120, true},
        {0.4f, -1, -1, 0, 120, true}},
       {{50, Mood::Singing}, {60, Mood::Singing}, {97, Mood::Singing}, {98, Mood::Idle}}},
      // A quiet voice (level at or below 0.22) is silence; out of range pitches are no pitch.
      {"quiet or impossible voices are silence",
       {{0.5f, kNear, kNear, 0.2f, 120, true}, {0.5f, 900, 900, 0.9f, 120, true}},
       {{25, Mood::Idle}, {50, Mood::Idle}}},
  };
  for (const MoodCase& c : cases) {
    SCOPED_TRACE(c.what);
    Editor e;
    snapshot::setDanceKey(e);
    MeterTimeline timeline(e);
    std::size_t next = 0;
    timeline.run(c.script, [&](int frame) {
      if (next < c.probes.size() && c.probes[next].frame == frame) {
        EXPECT_EQ(e.mood(), c.probes[next].mood) << "frame " << frame;
        ++next;
      }
    });
    EXPECT_EQ(next, c.probes.size());
  }
}

// After 7 s without an active singer sleepiness rises: the sleepy face above 0.3, sleep letters
// above 0.6 (one each 0.7 s), eyes closed above 0.75.
TEST(MascotMood, SilenceLeadsToSleepWithLettersAtTheirThresholds) {
  Editor e;
  MeterTimeline timeline(e);
  int firstSleepy = 0, firstAsleep = 0;
  std::vector<int> letters;
  std::size_t lastLetters = 0;
  timeline.run({{9.0f, -1, -1, 0, 0, false}}, [&](int frame) {
    const MascotRig& rig = e.mascot;
    if (!firstSleepy && rig.face() == kExSleepy) firstSleepy = frame;
    if (!firstAsleep && rig.face() == kExSmile2 && rig.sleepiness > 0.75f) firstAsleep = frame;
    std::size_t n = 0;
    for (const Particle& p : rig.particles) n += p.kind == ParticleKind::Sleep;
    if (n > lastLetters) letters.push_back(frame);
    lastLetters = n;
  });
  // Idle time passes 7 s on frame 350; 1 - 0.96^n passes 0.3 after 9 more frames, 0.6 after 23
  // and 0.75 after 34.
  EXPECT_EQ(firstSleepy, 359);
  EXPECT_EQ(firstAsleep, 384);
  ASSERT_GE(letters.size(), 3u);
  EXPECT_EQ(letters[0], 373);
  EXPECT_EQ(letters[1] - letters[0], 36);
  EXPECT_EQ(letters[2] - letters[1], 36);
}

// In tune with the output matching: every beat with enough good samples adds to the streak, and
// every eighth fires one burst of exactly 18 sparkles; hearts come at most every 0.22 s.
TEST(MascotMood, StreakFiresOneBurstEveryEighthBeat) {
  Editor e;
  snapshot::setDanceKey(e);
  MeterTimeline timeline(e);
  std::vector<int> heartFrames;
  int sparklesAtBurst = -1, burstFrame = 0;
  std::size_t particlesBefore = 0;
  timeline.run({{8.4f, kOn, kOn, 0.8f, 120, true}}, [&](int frame) {
    const MascotRig& rig = e.mascot;
    int sparkles = 0;
    for (const Particle& p : rig.particles) sparkles += p.kind == ParticleKind::Sparkle;
    if (rig.bursts == 1 && burstFrame == 0) {
      burstFrame = frame;
      sparklesAtBurst = sparkles;
    }
    if (!rig.particles.empty() && rig.particles.back().kind == ParticleKind::Heart &&
        rig.particles.size() > particlesBefore)
      heartFrames.push_back(frame);
    particlesBefore = rig.particles.size();
    EXPECT_LE(rig.particles.size(), static_cast<std::size_t>(kMaxParticles));
  });
  EXPECT_EQ(e.mascot.streak, 16);
  EXPECT_EQ(e.mascot.bursts, 2);
  EXPECT_EQ(sparklesAtBurst, kBurstSparkles);
  EXPECT_EQ(burstFrame, 201);  // the eighth good beat ends 4 s in, at 120 BPM
  ASSERT_GE(heartFrames.size(), 3u);
  for (std::size_t i = 1; i < heartFrames.size(); ++i)
    EXPECT_EQ(heartFrames[i] - heartFrames[i - 1], 12);
}

// Singing with a wrong output (no streak): a note every 0.46 s, only while the singer is active.
TEST(MascotMood, NotesRiseAtTheirSpacingOnlyWhileActive) {
  Editor e;
  snapshot::setDanceKey(e);
  MeterTimeline timeline(e);
  std::vector<int> noteFrames;
  std::size_t before = 0;
  timeline.run({{2.0f, kNear, 62, 0.6f, 120, true}, {2.0f, -1, -1, 0, 120, true}}, [&](int f) {
    const auto& ps = e.mascot.particles;
    if (ps.size() > before && ps.back().kind == ParticleKind::Note) noteFrames.push_back(f);
    before = ps.size();
  });
  ASSERT_EQ(noteFrames.size(), 4u);
  EXPECT_EQ(noteFrames[0], 23);
  for (std::size_t i = 1; i < noteFrames.size(); ++i)
    EXPECT_EQ(noteFrames[i] - noteFrames[i - 1], 23);
  EXPECT_EQ(e.mascot.particles.size(), 0u);  // the last lived 1.6 s, none came after
}

TEST(MascotRigMotion, ParticleCapKeepsTheSixtyNewest) {
  MascotRig rig;
  rig.x = 0, rig.y = 0, rig.width = 316, rig.height = 290;
  for (int i = 0; i < 4; ++i) rig.sparkleBurst();
  const Particle newest = rig.particles.back();
  rig.update(0.02f, RigInputs{});
  ASSERT_EQ(rig.particles.size(), static_cast<std::size_t>(kMaxParticles));
  EXPECT_EQ(rig.particles.back().spin, newest.spin + 3 * 0.02f);
  EXPECT_EQ(rig.particles.back().vx, newest.vx);
}

// The clock free-runs at the host tempo and locks to its beat while playing; a tempo that cannot
// be the host's (meter 0 decodes as 20 BPM, NaN, 400 and above) runs it at 120.
TEST(MascotRigMotion, BeatClockLocksToTheHostOrFallsBackTo120) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float tempo;
    bool playing;
    double beatsAfterOneSecond;  // free running; playing: locked onto a host half a beat ahead
  } cases[] = {
      {20, false, 2.0}, {nan, false, 2.0},  {400, false, 2.0}, {90, false, 1.5},
      {30, false, 0.5}, {399, false, 6.65}, {120, true, 2.5},  {75, true, 1.75},
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
      in.beat = static_cast<float>(host - std::floor(host));
      rig.update(0.02f, in);
    }
    const double got = rig.beatPhase - (c.playing ? std::floor(rig.beatPhase) : 0);
    const double want = c.beatsAfterOneSecond - (c.playing ? std::floor(c.beatsAfterOneSecond) : 0);
    EXPECT_NEAR(got, want, 1e-4);
  }
  // Playing with a NaN beat: no pull, the clock free-runs.
  MascotRig rig;
  RigInputs in;
  in.playing = true;
  in.beat = nan;
  for (int i = 0; i < 50; ++i) rig.update(0.02f, in);
  EXPECT_NEAR(rig.beatPhase, 2.0, 1e-4);
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
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 160; ++x) {
      const bool inside = x >= 12 && x <= 107 && y >= 12 && y <= 107;
      if (!inside) {
        ASSERT_EQ(d.pixelAt(x, y), 0u) << x << "," << y;
      }
    }
  EXPECT_NE(d.pixelAt(12, 60), 0u);
  EXPECT_NE(d.pixelAt(107, 60), 0u);
  EXPECT_NE(d.pixelAt(60, 107), 0u);
}

// The fast rays visit only what each wedge can reach; they must give exactly the pixels of the
// reference that tests every pixel against every ray.
TEST(MascotDecorations, RaysEqualTheEveryPixelReference) {
  std::mt19937 gen(3);
  const struct {
    float scale;
    double time;
    bool delighted;
  } cases[] = {{1.0f, 0.0, false}, {1.15f, 3.7, true}, {2.0f, 11.2, false}, {1.3f, 1e6, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    Canvas a(static_cast<int>(340 * c.scale), static_cast<int>(320 * c.scale), c.scale);
    for (auto& p : a.pixels) p = gen() & 0xFFFFFF;
    Canvas b = a;
    float angles[8];
    RGB colours[8];
    for (int i = 0; i < 8; ++i) {
      angles[i] = static_cast<float>(pm::sin(0.8 * i + 0.7 * c.time) * 0.9 - pm::kPi / 2);
      colours[i] = i % 2 ? kRigViolet : (c.delighted ? kRigCyan : kRigPink);
    }
    const float k = c.scale;
    const int x0 = static_cast<int>(10 * k), y0 = static_cast<int>(12 * k);
    const int x1 = static_cast<int>(326 * k), y1 = static_cast<int>(302 * k);
    drawRays(a, x0, y0, x1, y1, 168 * k, 312 * k, angles, colours, 8, c.delighted ? 0.23f : 0.17f);
    drawRaysEveryPixel(b, x0, y0, x1, y1, 168 * k, 312 * k, angles, colours, 8,
                       c.delighted ? 0.23f : 0.17f);
    EXPECT_TRUE(a.pixels == b.pixels);
    EXPECT_NE(std::memcmp(a.pixels.data(), Canvas(a.width, a.height, k).pixels.data(), 4), 0);
  }
}

// Hidden particles, the halo's newest-first reading and the mood colours of the glow.
TEST(MascotDecorations, ParticlesHaloAndGlowFollowTheRigState) {
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
  p.x = 11.5f;  // within 12 units of the left edge: alive, not drawn
  p.y = 150;
  rig.particles = {p};
  EXPECT_TRUE(drawn() == empty);
  rig.particles[0].x = 30;
  EXPECT_FALSE(drawn() == empty);
  rig.particles.clear();

  for (int i = 0; i < 32; ++i) rig.levelRing[i] = static_cast<float>(i);
  for (const int write : {0, 5, 31}) {
    rig.levelRingWrite = write;
    EXPECT_EQ(rig.levelSample(0), static_cast<float>((write + 31) % 32));
    EXPECT_EQ(rig.levelSample(15), static_cast<float>((write + 16) % 32));
  }

  // Off the rays' reach, the floor glow alone: violet (blue above red), pink when delighted.
  for (const Mood mode : {Mood::Singing, Mood::Delighted}) {
    rig.mode = mode;
    rig.groove = 1;
    Canvas c(316, 300, 1.0f);
    rig.draw(c);
    const std::uint32_t px = c.pixelAt(158 + 25, 288);
    const int red = (px >> 16) & 0xFF, blue = px & 0xFF;
    EXPECT_EQ(red > blue, mode == Mood::Delighted) << std::hex << px;
  }
}

}  // namespace
}  // namespace zv
