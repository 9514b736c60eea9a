// The mascot in the states a person wants to check by eye: the figure large with its pivots
// marked, every face on the assembled head, extreme poses, and the same poses with test cards.
#include "MascotScenes.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "SceneRegistry.h"

namespace zv::snapshot {

namespace {

const RGB kStage = RGB::fromBytes(18, 8, 28);
const RGB kCardEdge = RGB::fromBytes(12, 10, 20);
const RGB kMarker = RGB::fromBytes(123, 223, 255);
const RGB kLabel = RGB::fromBytes(216, 196, 232);

void put(SpriteLevel& l, int x, int y, int r, int g, int b) {
  if (x < 0 || y < 0 || x >= l.width || y >= l.height) return;
  std::uint8_t* p = l.pixels.data() + (static_cast<std::size_t>(y) * l.width + x) * 4;
  p[0] = static_cast<std::uint8_t>(r);
  p[1] = static_cast<std::uint8_t>(g);
  p[2] = static_cast<std::uint8_t>(b);
  p[3] = 255;
}

void block(SpriteLevel& l, int x0, int y0, int x1, int y1, int r, int g, int b) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) put(l, x, y, r, g, b);
}

void stage(Canvas& c, const MascotRig& rig) {
  c.rrect(rig.x, rig.y, rig.width, rig.height, 0, kStage);
}

// A small cross at design point (px, py) of a frame.
void mark(Canvas& c, const RigFrame& frame, float px, float py, float s, float ox, float oy) {
  float x, y;
  frame.map(px, py, x, y);
  x = ox + x * s;
  y = oy + y * s;
  c.capsule(x - 5, y, x + 5, y, 1.2f, kMarker);
  c.capsule(x, y - 5, x, y + 5, 1.2f, kMarker);
  c.circle(x, y, 2, kCardEdge);
}

void figureWithPivots(Canvas& c) {
  MascotRig rig;
  rig.load();
  rig.x = 0;
  rig.y = 0;
  rig.width = 380;
  rig.height = c.height / c.scale - 20;  // room below for the hip's mark
  stage(c, rig);
  rig.draw(c);
  float s, ox, oy;
  if (!rig.fit(s, ox, oy)) return;
  const RigPose p = rig.pose(s);
  mark(c, p.body, kHipX, kHipY, s, ox, oy);
  mark(c, p.body, kNeckX, kNeckY, s, ox, oy);
  mark(c, p.head, kTailRootLX, kTailRootY, s, ox, oy);
  mark(c, p.head, kTailRootRX, kTailRootY, s, ox, oy);
  mark(c, p.head, 186.9f, 125.2f, s, ox, oy);  // centre of the level halo
}

void faceSheet(Canvas& c) {
  c.clear(RGB::fromBytes(11, 6, 18));
  MascotRig rig;
  rig.load();
  constexpr int kColumns = 4;
  constexpr float kCell = 170, kS = 0.72f;
  const RigFrame rest;
  for (int face = kExNormal; face < kMascotPartCount; ++face) {
    const int i = face - kExNormal;
    rig.x = 4 + (i % kColumns) * (kCell + 4);
    rig.y = 4 + (i / kColumns) * (kCell + 24);
    rig.width = kCell;
    rig.height = kCell;
    stage(c, rig);
    const float ox = rig.x + kCell / 2 - 186.9f * kS, oy = rig.y + kCell / 2 - 135 * kS;
    for (int part :
         {static_cast<int>(kTailL), static_cast<int>(kTailR), static_cast<int>(kHairBack),
          static_cast<int>(kBodyLow), static_cast<int>(kHeadFront), face})
      rig.drawPart(c, part, rest, kS, ox, oy);
    c.text(kMascotParts[face].name, rig.x + kCell / 2, rig.y + kCell + 16, 11, kLabel, 1, true,
           0.6f);
  }
}

void posesRow(Canvas& c, bool testCards) {
  c.clear(RGB::fromBytes(11, 6, 18));
  for (int i = 0; i < kPoseCount; ++i) {
    MascotRig rig;
    if (testCards)
      rig.useSprites(testCardSprites());
    else
      rig.load();
    rig.x = 4 + i * 164.0f;
    rig.y = 4;
    rig.width = 160;
    rig.height = 200;
    stage(c, rig);
    setPose(rig, i);
    rig.draw(c);
  }
}

void testCardStage(Canvas& c) {
  c.clear(RGB::fromBytes(11, 6, 18));
  MascotRig rig;
  rig.useSprites(testCardSprites());
  rig.x = 272 - 268;
  rig.y = 4;
  rig.width = 316;
  rig.height = 290;
  stage(c, rig);
  setPose(rig, 1);
  rig.draw(c);
}

}  // namespace

std::shared_ptr<const SpriteStore> testCardSprites() {
  static const std::shared_ptr<const SpriteStore> store = [] {
    // One colour per part, far apart, so a misplaced part shows.
    static const int kColours[kMascotPartCount][3] = {
        {240, 150, 60},  {250, 200, 70}, {200, 90, 60},   {90, 80, 220},
        {250, 220, 200}, {40, 40, 60},   {200, 30, 90},   {30, 120, 200},
        {220, 40, 40},   {40, 160, 80},  {255, 255, 255}, {120, 60, 160},
        {60, 160, 200},  {200, 160, 40}, {120, 120, 120}, {255, 0, 0}};
    auto s = std::make_shared<SpriteStore>();
    for (int i = 0; i < kMascotPartCount; ++i) {
      const MascotPart& row = kMascotParts[i];
      SpriteLevel l;
      l.width = static_cast<int>(row.width);
      l.height = static_cast<int>(row.height);
      l.pixels.assign(static_cast<std::size_t>(l.width) * l.height * 4, 0);
      const int* k = kColours[i];
      if (i < kExNormal) {
        block(l, 0, 0, l.width, l.height, 12, 10, 20);
        block(l, 3, 3, l.width - 3, l.height - 3, k[0], k[1], k[2]);
        block(l, 3, 3, 12, 12, 255, 255, 255);  // the top-left corner, to read rotations
      } else {
        const int w = l.width, h = l.height;
        block(l, w / 2 - 40, h / 3, w / 2 - 16, h / 3 + 22, k[0], k[1], k[2]);
        block(l, w / 2 + 16, h / 3, w / 2 + 40, h / 3 + 22, k[0], k[1], k[2]);
        block(l, w / 2 - 14, h - 20, w / 2 + 14, h - 12, k[0], k[1], k[2]);
      }
      (*s)[i] = buildSpriteChain(i, std::move(l));
    }
    return std::shared_ptr<const SpriteStore>(std::move(s));
  }();
  return store;
}

void setPose(MascotRig& rig, int pose) {
  switch (pose) {
    case 1:  // leaning into a hop, tails flung apart
      rig.tilt = 0.35f;
      rig.tailLeft = 0.45f;
      rig.tailRight = -0.45f;
      rig.hop = 12;
      rig.groove = 1;
      rig.beatPhase = 0.5f;
      rig.mode = Mood::Delighted;
      break;
    case 2:  // the other way, mouth open
      rig.tilt = -0.35f;
      rig.tailLeft = -0.45f;
      rig.tailRight = 0.45f;
      rig.groove = 1;
      rig.beatPhase = 1.5f;
      rig.mode = Mood::Singing;
      rig.mouthOpen = true;
      break;
    case 3:  // asleep, leaning, tails drooping
      rig.tilt = 0.12f;
      rig.sleepiness = 1;
      rig.breath = 2;
      break;
    case 4:  // shocked mid-shake
      rig.mode = Mood::Shocked;
      rig.shock = 1;
      rig.time = 0.3f;
      rig.tilt = -0.1f;
      rig.tailLeft = 0.3f;
      rig.tailRight = 0.3f;
      break;
    default:
      break;
  }
}

// Four moments of the dance script side by side: singing, a sparkle burst while delighted, the
// shock with its sweat drop, asleep with a sleep letter.
static constexpr int kDanceMoments[4] = {120, 360, 445, 1030};

static void danceMoments(Canvas& c) {
  c.clear(RGB::fromBytes(11, 6, 18));
  int slot = 0;
  renderDance(
      1.0f,
      [](int n) {
        return std::find(std::begin(kDanceMoments), std::end(kDanceMoments), n) !=
               std::end(kDanceMoments);
      },
      [&](int, const Canvas& stage, const Editor&) {
        const int left = 4 + slot++ * (stage.width + 4);
        for (int y = 0; y < stage.height; ++y)
          for (int x = 0; x < stage.width && left + x < c.width; ++x)
            c.pixels[static_cast<std::size_t>(y + 4) * c.width + left + x] =
                stage.pixels[static_cast<std::size_t>(y) * stage.width + x];
      });
}

void addMascotScenes(SceneRegistry& r) {
  r.add({"mascot-figure", 760, 880, 2.0f, figureWithPivots});
  r.add({"mascot-faces", 4 * 174 + 4, 3 * 194 + 4, 1.0f, faceSheet});
  r.add({"mascot-poses", 4 + kPoseCount * 164, 208, 1.0f, [](Canvas& c) { posesRow(c, false); }});
  r.add({"mascot-testcard-poses", 4 + kPoseCount * 164, 208, 1.0f,
         [](Canvas& c) { posesRow(c, true); }});
  r.add({"mascot-testcard-stage", 371, 343, 1.15f, testCardStage});
  r.add({"mascot-dance-moments", 4 + 4 * 320, 298, 1.0f, danceMoments});
}

}  // namespace zv::snapshot

namespace zv::snapshot {

void MeterTimeline::run(const std::vector<MeterSegment>& segments,
                        const std::function<void(int)>& each) {
  for (const MeterSegment& s : segments) {
    const int frames = static_cast<int>(std::lround(s.seconds / kRenderFrameSeconds));
    for (int i = 0; i < frames; ++i) {
      const float bpm = s.tempo >= 30 && s.tempo < 400 ? s.tempo : 120.0f;
      hostBeat_ += static_cast<double>(bpm) * kRenderFrameSeconds / 60.0;
      const float beat = static_cast<float>(hostBeat_ - std::floor(hostBeat_));
      editor_.updateMood(s.pitchIn, s.pitchOut, s.level, kRenderFrameSeconds, s.tempo, beat,
                         s.playing);
      ++frame_;
      if (each) each(frame_);
    }
  }
}

void setDanceKey(Editor& editor) {
  editor.params[kKey] = 0;    // C
  editor.params[kScale] = 0;  // Minor
}

std::vector<MeterSegment> danceScript() {
  return {
      {1.0f, -1, -1, 0.0f, 120, true},      // waiting
      {2.0f, 60.2f, 61, 0.6f, 120, true},   // singing, a little sharp, uncorrected
      {5.0f, 60.02f, 60, 0.8f, 120, true},  // in tune: delighted, streak, burst
      {0.15f, -1, -1, 0.0f, 120, true},     // a breath
      {1.5f, 60.5f, 62, 0.7f, 120, true},   // off key: shocked
      {1.0f, 62.25f, 63, 0.5f, 120, true},  // singing again, a little sharp
      {10.0f, -1, -1, 0.0f, 0, false},      // the host stops; silence until she sleeps
  };
}

void renderDance(float scale, const std::function<bool(int)>& wanted,
                 const std::function<void(int, const Canvas&, const Editor&)>& frame) {
  Editor e;
  setDanceKey(e);
  e.resize(static_cast<int>(std::lround(kLayoutWidth * scale)),
           static_cast<int>(std::lround(kLayoutHeight * scale)), scale);
  e.paint(true);
  const int x0 = static_cast<int>(kStageCard.x * scale),
            y0 = static_cast<int>(kStageCard.y * scale);
  Canvas stage(static_cast<int>(kStageCard.width * scale),
               static_cast<int>(kStageCard.height * scale), scale);
  MeterTimeline timeline(e);
  timeline.run(danceScript(), [&](int n) {
    if (!wanted(n)) return;
    e.paintStage();
    const Canvas& face = e.canvas();
    for (int y = 0; y < stage.height; ++y)
      for (int x = 0; x < stage.width; ++x)
        stage.pixels[static_cast<std::size_t>(y) * stage.width + x] = face.pixelAt(x0 + x, y0 + y);
    frame(n, stage, e);
  });
}

}  // namespace zv::snapshot
