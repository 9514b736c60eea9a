// The mascot: sixteen sprite parts placed in a small skeleton (body about the hip, head about the
// neck, two hair tails about their roots) and drawn into any rectangle of a canvas, fitted to its
// height. The images are decoded once per process and shared read-only by every rig; each rig keeps
// only its rectangle and the pose state the animation writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Canvas.h"

namespace zv {

enum class Mood : std::int32_t { Idle = 0, Singing = 1, Delighted = 2, Shocked = 3 };

// One sprite image's place in design units (x right, y down; the hip pivot at (176.4, 430.5)).
// Its pixel size equals its width and height.
struct MascotPart {
  const char* name;
  float x, y, width, height;
};

constexpr int kMascotPartCount = 16;
enum MascotPartIndex : int {
  kTailL = 0,
  kTailR,
  kHairBack,
  kBodyLow,
  kHeadFront,
  kExNormal,
  kExSmile,
  kExSmile2,
  kExDelighted,
  kExLaugh,
  kExShocked,
  kExSleepy,
  kExSad,
  kExSmug,
  kExAnnoyed,
  kExAngry,
};

inline constexpr MascotPart kMascotParts[kMascotPartCount] = {
    {"tailL", 22.26f, 109.62f, 94, 270},          {"tailR", 244.02f, 109.62f, 105, 150},
    {"hairBack", 63.0f, 3.78f, 249, 188},         {"bodyLow", 58.38f, 218.4f, 250, 212},
    {"headFront", 95.76f, 20.16f, 179, 227},      {"ex_normal", 118.44f, 120.96f, 133, 90},
    {"ex_smile", 118.44f, 120.96f, 133, 88},      {"ex_smile_2", 119.7f, 120.96f, 130, 88},
    {"ex_delighted", 118.44f, 120.96f, 133, 101}, {"ex_laugh", 119.7f, 120.96f, 130, 101},
    {"ex_shocked", 114.66f, 100.38f, 140, 118},   {"ex_sleepy", 119.7f, 120.96f, 130, 90},
    {"ex_sad", 117.6f, 115.08f, 134, 93},         {"ex_smug", 116.76f, 118.86f, 136, 86},
    {"ex_annoyed", 116.76f, 118.86f, 136, 89},    {"ex_angry", 120.12f, 112.56f, 129, 114},
};

// Skeleton pivots and fitting constants, design units.
constexpr float kHipX = 176.4f, kHipY = 430.5f;
constexpr float kNeckX = 186.9f, kNeckY = 235.2f;
constexpr float kTailRootLX = 102.9f, kTailRootRX = 270.9f, kTailRootY = 128.1f;
// The torso continues below its image: its last row is repeated this many times at load.
constexpr int kBodyExtraRows = 70;
constexpr int kMaxSpriteLevels = 4;

// One mip level: RGBA bytes, alpha not premultiplied.
struct SpriteLevel {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4
  // Per row, the first column holding a texel with alpha above 0 and one past the last (equal
  // when the row is clear), two entries a row; empty until findOpaqueSpans. Lets the blit skip
  // the clear parts of the image without sampling them.
  std::vector<std::int32_t> opaqueSpans;
};

// Fills level.opaqueSpans from its pixels.
void findOpaqueSpans(SpriteLevel& level);

struct SpriteChain {
  SpriteLevel levels[kMaxSpriteLevels];
  std::int32_t levelCount = 0;  // 0: the part failed to load and is never drawn
};

using SpriteStore = std::array<SpriteChain, kMascotPartCount>;

// Decodes part `index`'s PNG (RGBA) and refuses it (empty level) when it does not decode or its
// size differs from the part table: a wrongly sized image would be stretched out of line.
SpriteLevel decodeMascotPng(int index, const unsigned char* png, std::size_t size);
// The next mip level: half size rounded up, each pixel the alpha-weighted average of a 2x2 block,
// so transparent texels never darken the colour.
SpriteLevel halveSpriteLevel(const SpriteLevel& from);
// Level 0 as given (the torso extended by its repeated last row), then halvings while the previous
// level is at least 8 pixels on both sides.
SpriteChain buildSpriteChain(int index, SpriteLevel level0);
// The sixteen embedded parts, decoded and mip-mapped on first use; shared by every rig.
std::shared_ptr<const SpriteStore> embeddedSprites();

// The mip level to draw a chain from when it is targetPixels high on the canvas: the smallest level
// that need not be enlarged by more than 8 %.
int chooseSpriteLevel(const SpriteChain& chain, float targetPixels);

// Copies a sprite level into the canvas centred at (centreX, centreY), `height` high and rotated by
// `angle` radians, bilinearly sampled in fixed point, with opacity alpha, limited to the clip
// rectangle. All coordinates are canvas logical units.
void blitSprite(Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
                float height, float angle, float alpha, float clipX0, float clipY0, float clipX1,
                float clipY1);
// The same pixels, every pixel of the box sampled the plain way: the reference blitSprite must
// equal.
void blitSpriteEveryPixel(Canvas& canvas, const SpriteLevel& level, float centreX, float centreY,
                          float height, float angle, float alpha, float clipX0, float clipY0,
                          float clipX1, float clipY1);

// A rigid transform of design space: p -> R(angle) p + (x, y).
struct RigFrame {
  float angle = 0;
  float x = 0, y = 0;
  void map(float px, float py, float& outX, float& outY) const;
};

// The four skeleton frames of one pose.
struct RigPose {
  RigFrame body, head, tailL, tailR;
};

// The overlay the face rule picks for a state (index into kMascotParts).
int chooseFace(float sleepiness, Mood mode, double beatPhase, bool mouthOpen, float blinkLeft);

enum class ParticleKind : std::int32_t { Note = 0, Heart = 1, Sparkle = 2, Sleep = 3 };

// One floating decoration, in canvas logical units.
struct Particle {
  float x = 0, y = 0;
  float vx = 0, vy = 0;
  float age = 0, life = 0;
  float spin = 0;
  ParticleKind kind = ParticleKind::Note;
  float red = 1, green = 1, blue = 1;
};

// What the editor's mood step hands the rig once per frame.
struct RigInputs {
  std::int32_t mood = 0;  // a Mood
  float silentTime = 0;
  float level = 0;  // smoothed
  bool mouthOpen = false;
  float pitchIn = -1, pitchOut = -1;  // note numbers, -1 for none
  float tempo = 120, beat = 0;        // beats per minute, position inside the beat 0..1
  bool playing = false;
};

// Decoration colours.
inline constexpr RGB kRigViolet = RGB::fromBytes(176, 107, 255);
inline constexpr RGB kRigPink = RGB::fromBytes(255, 95, 216);
inline constexpr RGB kRigCyan = RGB::fromBytes(123, 223, 255);
inline constexpr RGB kRigGold = RGB::fromBytes(255, 242, 168);
inline constexpr RGB kHeartPink = RGB::fromBytes(255, 122, 198);
inline constexpr RGB kSweatBlue = RGB::fromBytes(159, 227, 255);
inline constexpr RGB kSleepBlue = RGB::fromBytes(191, 216, 255);
inline constexpr RGB kSleepShadow = RGB::fromBytes(26, 16, 48);

constexpr int kMaxParticles = 60;
constexpr int kBurstSparkles = 18;

// The light rays behind the figure over pixel box [x0, x1) x [y0, y1) of the canvas, seen from
// (originX, originY) in pixels. Each ray only visits the rows and spans its wedge can reach.
void drawRays(Canvas& canvas, int x0, int y0, int x1, int y1, float originX, float originY,
              const float* rayAngles, const RGB* rayColours, int rayCount, float strength);
// The same pixels, every pixel against every ray: the reference the fast path must equal.
void drawRaysEveryPixel(Canvas& canvas, int x0, int y0, int x1, int y1, float originX,
                        float originY, const float* rayAngles, const RGB* rayColours, int rayCount,
                        float strength);

class MascotRig {
 public:
  // Takes the process-wide decoded images (decoding them on the first call).
  void load();
  // Draws with these images instead (tests, test cards); null draws no sprites.
  void useSprites(std::shared_ptr<const SpriteStore> sprites) { sprites_ = std::move(sprites); }
  const SpriteStore* sprites() const { return sprites_.get(); }

  // Draws the whole mascot into the rig rectangle, and nothing outside it.
  void draw(Canvas& canvas);
  // One part of the table in the given frame (design units) at scale s from origin (ox, oy).
  void drawPart(Canvas& canvas, int part, const RigFrame& frame, float s, float ox, float oy);

  // Fitting: false (draw nothing) for a rectangle too short to hold the figure or not finite.
  bool fit(float& s, float& ox, float& oy) const;
  // The skeleton frames of the current state at scale s.
  RigPose pose(float s) const;
  // One animation step of dt seconds. Does nothing unless dt is positive (a longer step than
  // 0.1 s counts as 0.1 s).
  void update(float dt, const RigInputs& in);
  // A note or heart rising beside the head.
  void spawnParticle(ParticleKind kind);
  // Eighteen sparkles from the chest, after every eighth good beat in a row.
  void sparkleBurst();
  // Uniform in [0, 1); advances the rig's generator once.
  float random();

  // Filled shapes clipped to the rig rectangle (canvas logical units).
  void heart(Canvas& canvas, float cx, float cy, float size, const RGB& colour, float alpha) const;
  void capsule(Canvas& canvas, float x0, float y0, float x1, float y1, float lineWidth,
               const RGB& colour, float alpha) const;
  // The level sample written `back` updates before the newest one.
  float levelSample(int back) const;

  // The overlay drawn now.
  int face() const { return chooseFace(sleepiness, mode, beatPhase, mouthOpen, blinkLeft); }

  // --- Rectangle, canvas logical units, set by the owner before drawing.
  float x = 0, y = 0, width = 0, height = 0;

  // --- Pose and animation state (written by the animation or the owner; read by draw).
  // Clocks in double: the rig lives as long as the plug-in instance, and a float clock stops
  // advancing by a frame's time after a few days.
  double time = 0;
  double beatPhase = 0;  // beats; the whole part counts them
  std::int64_t lastWholeBeat = -1;
  float groove = 0;  // 0..1
  float tilt = 0;    // radians
  float hop = 0, breath = 0;
  float tailLeft = 0, tailRight = 0;  // radians, each within +-0.45
  float shock = 0;
  float sleepiness = 0;
  float blinkLeft = 0;  // seconds
  Mood mode = Mood::Idle;
  bool mouthOpen = false;
  float level = 0;
  float levelRing[32] = {};
  std::int32_t levelRingWrite = 0;
  std::vector<Particle> particles;
  std::uint32_t randomState = 7;

  // Beat by beat intonation: samples of the current beat and the run of good beats.
  std::int32_t beatSamples = 0, beatGoodSamples = 0;
  float beatErrorSum = 0;
  std::int32_t streak = 0;
  std::int32_t bursts = 0;  // sparkle bursts fired so far
  float idleTime = 0, inactiveTime = 0;
  float tiltVelocity = 0;
  float offsetY = 0, offsetVelocity = 0;
  float tailLeftVelocity = 0, tailRightVelocity = 0;
  float blinkCountdown = 2.5f;
  float emitTimer = 0, sleepEmitTimer = 0;

 private:
  void drawBackdrop(Canvas& canvas, float s, float ox, float oy, const RigFrame& head);
  void drawSweatDrop(Canvas& canvas, float s, float ox, float oy, const RigFrame& head);
  void drawParticles(Canvas& canvas);
  void resetMotionIfNotFinite();

  std::shared_ptr<const SpriteStore> sprites_;
};

}  // namespace zv
