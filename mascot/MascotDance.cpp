// The rig's motion: groove, sleep, the beat clock, the tilt spring, hop and breath, the tails, the
// shock shake, blinks and the particles. Everything transcendental goes through the portable maths,
// so a scripted run leaves the same state bit for bit on every platform.
#include <algorithm>
#include <cmath>

#include "MascotRig.h"
#include "PortableMath.h"

namespace zv {

namespace {

bool finite(float v) {
  return std::isfinite(v);
}

// A note number the rig can use, or -1 for none.
float usablePitch(float note) {
  return finite(note) && note >= 0.0f && note <= 140.0f ? note : -1.0f;
}

// Moves v toward target at `rate` per second; a step that would overshoot lands on the target.
float approach(float v, float target, float rate, float dt) {
  return rate * dt >= 1.0f ? target : v + (target - v) * rate * dt;
}

float fractionOf(double v) {
  return static_cast<float>(v - std::floor(v));
}

}  // namespace

float MascotRig::random() {
  randomState = randomState * 1664525u + 1013904223u;
  return static_cast<float>(randomState >> 8) * (1.0f / 16777216.0f);
}

float MascotRig::levelSample(int back) const {
  const int i = ((levelRingWrite - 1 - back) % 32 + 32) % 32;
  return levelRing[i];
}

void MascotRig::spawnParticle(ParticleKind kind) {
  const float r1 = random(), r2 = random(), r3 = random(), r4 = random(), r5 = random(),
              r6 = random(), r7 = random();
  const bool left = r1 < 0.5f;
  Particle p;
  p.kind = kind;
  p.x = x + width / 2 + (left ? -1.0f : 1.0f) * (104 + 30 * r2);
  p.y = y + 120 + 40 * r3;
  p.vx = 6 * r4 + (left ? -6.0f : 6.0f) - 3;
  p.vy = -38 - 18 * r5;
  p.spin = 6 * r6;
  p.life = 1.6f;
  const RGB c = mix(kRigViolet, kRigPink, r7);
  p.red = c.r;
  p.green = c.g;
  p.blue = c.b;
  particles.push_back(p);
}

void MascotRig::sparkleBurst() {
  static const RGB kColours[3] = {kRigGold, kRigViolet, kRigPink};
  for (int k = 0; k < kBurstSparkles; ++k) {
    const double angle = 2.0 * pm::kPi * random();
    const float speed = 60 + 70 * random();
    double sn, cs;
    pm::sinCos(angle, sn, cs);
    Particle p;
    p.kind = ParticleKind::Sparkle;
    p.x = x + width / 2;
    p.y = y + 70;
    p.vx = static_cast<float>(speed * cs);
    p.vy = static_cast<float>(speed * sn - 60.0);
    p.life = 1.3f;
    p.spin = 6 * random();
    const RGB& c = kColours[k % 3];
    p.red = c.r;
    p.green = c.g;
    p.blue = c.b;
    particles.push_back(p);
  }
  ++bursts;
}

void MascotRig::resetMotionIfNotFinite() {
  // A spring that once holds NaN or infinity never recovers on its own: start it again at rest.
  if (!finite(tilt) || !finite(tiltVelocity)) tilt = tiltVelocity = 0;
  if (!finite(offsetY) || !finite(offsetVelocity) || !finite(hop) || !finite(breath))
    offsetY = offsetVelocity = hop = breath = 0;
  if (!finite(tailLeft) || !finite(tailLeftVelocity)) tailLeft = tailLeftVelocity = 0;
  if (!finite(tailRight) || !finite(tailRightVelocity)) tailRight = tailRightVelocity = 0;
  if (!finite(groove)) groove = 0;
  if (!finite(sleepiness)) sleepiness = 0;
  if (!finite(shock)) shock = 0;
  if (!std::isfinite(time)) time = 0;
  if (!std::isfinite(beatPhase)) {
    beatPhase = 0;
    lastWholeBeat = -1;
  }
}

void MascotRig::update(float dtIn, const RigInputs& in) {
  // The vertical velocity divides by dt: a zero, negative or NaN step must not reach it.
  if (!(dtIn > 0.0f)) return;
  const float dt = std::min(dtIn, 0.1f);
  resetMotionIfNotFinite();

  time += dt;
  level = finite(in.level) ? std::clamp(in.level, 0.0f, 1.0f) : 0.0f;
  mouthOpen = in.mouthOpen;

  const float pitchIn = usablePitch(in.pitchIn), pitchOut = usablePitch(in.pitchOut);
  if (pitchIn >= 0 && pitchOut >= 0 && level > 0.25f) {
    const float error = std::fabs(pitchIn - pitchOut);
    ++beatSamples;
    beatErrorSum += error;
    if (error < 0.3f) ++beatGoodSamples;
  }

  const Mood mood = in.mood >= 0 && in.mood <= 3 ? static_cast<Mood>(in.mood) : Mood::Idle;
  const bool active = mood != Mood::Idle && in.silentTime < 0.25f;
  mode = mood == Mood::Singing && streak > 3 ? Mood::Delighted : mood;
  float target = 0;
  switch (mode) {
    case Mood::Singing:
      target = 0.55f + 0.45f * level;
      break;
    case Mood::Delighted:
      target = 1;
      break;
    case Mood::Shocked:
      target = 0.3f;
      break;
    case Mood::Idle:
    default:
      break;
  }
  idleTime = active ? 0.0f : idleTime + dt;

  groove = approach(groove, target, target > groove ? 6.0f : 1.5f, dt);
  sleepiness = approach(sleepiness, idleTime > 7 ? 1.0f : 0.0f, 2.0f, dt);

  // The beat clock free-runs at the host's tempo and is pulled toward its beat while it plays.
  const float bpm = finite(in.tempo) && in.tempo >= 30 && in.tempo < 400 ? in.tempo : 120.0f;
  beatPhase += static_cast<double>(bpm) * dt / 60.0;
  if (in.playing && finite(in.beat)) {
    double err = static_cast<double>(in.beat) - fractionOf(beatPhase);
    err -= std::floor(err + 0.5);  // into [-0.5, 0.5)
    beatPhase += 0.35 * err;
  }

  // A pull backwards across a whole beat must not count that beat again.
  const std::int64_t whole = static_cast<std::int64_t>(std::floor(beatPhase));
  if (whole > lastWholeBeat) {
    if (beatSamples > 3) {
      const float ratio = static_cast<float>(beatGoodSamples) / static_cast<float>(beatSamples);
      if (ratio > 0.22f) {
        ++streak;
        if (streak % 8 == 0) sparkleBurst();
      } else if (ratio < 0.16f && beatErrorSum / static_cast<float>(beatSamples) > 0.42f) {
        streak = 0;
      }
    }
    beatSamples = beatGoodSamples = 0;
    beatErrorSum = 0;
    lastWholeBeat = whole;
  }

  const double sway = pm::sin(pm::kPi * beatPhase);
  const float tiltTarget =
      static_cast<float>(0.11 * groove * sway + 0.025 * (1.0 - groove) * pm::sin(0.9 * time)) +
      0.12f * sleepiness;
  const float accel = 140 * (tiltTarget - tilt) - 16 * tiltVelocity;
  tiltVelocity += accel * dt;
  tilt += tiltVelocity * dt;

  hop = static_cast<float>(9.0 * groove * pm::sin(pm::kPi * fractionOf(beatPhase))) *
        (mode == Mood::Delighted ? 1.25f : 1.0f);
  breath = static_cast<float>((1.3 + 0.8 * sleepiness) * (1.0 - groove) *
                              pm::sin((1.9 - 0.7 * sleepiness) * time));
  const float y1 = breath - hop;
  const float velocity = (y1 - offsetY) / dt;
  const float verticalAccel = (velocity - offsetVelocity) / dt;
  offsetY = y1;
  offsetVelocity = velocity;

  auto swingTail = [&](float& angle, float& w, float sign) {
    w += (-90 * angle - 7 * w + sign * 0.0035f * verticalAccel - 0.55f * accel) * dt;
    angle = std::clamp(angle + w * dt, -0.45f, 0.45f);
  };
  swingTail(tailLeft, tailLeftVelocity, -1);
  swingTail(tailRight, tailRightVelocity, 1);

  if (mode == Mood::Shocked) shock = 1;
  shock *= static_cast<float>(pm::exp(-5.0 * dt));

  blinkCountdown -= dt;
  if (blinkCountdown <= 0) {
    blinkCountdown = 2.5f + 2.5f * random();
    blinkLeft = 0.13f;
  }
  blinkLeft = std::max(0.0f, blinkLeft - dt);

  if (active) {
    inactiveTime = 0;
  } else {
    inactiveTime = std::min(inactiveTime + dt, 3600.0f);
    if (inactiveTime > 2.5f) streak = 0;
  }

  for (Particle& p : particles) {
    p.age += dt;
    p.x += p.vx * dt;
    p.y += p.vy * dt;
    if (p.kind == ParticleKind::Sparkle) p.vy += 120 * dt;
    p.spin += 3 * dt;
  }
  particles.erase(std::remove_if(particles.begin(), particles.end(),
                                 [](const Particle& p) { return !(p.age <= p.life); }),
                  particles.end());

  // The timers only compare against thresholds below 1 s; capping them keeps a float that runs
  // for days from losing its step.
  emitTimer = std::min(emitTimer + dt, 1.0f);
  sleepEmitTimer = std::min(sleepEmitTimer + dt, 1.0f);
  if (active) {
    if (mode == Mood::Delighted) {
      if (emitTimer > 0.22f) {
        spawnParticle(ParticleKind::Heart);
        emitTimer = 0;
      }
    } else if (emitTimer > 0.45f) {
      spawnParticle(ParticleKind::Note);
      emitTimer = 0;
    }
  }
  if (sleepiness > 0.6f && sleepEmitTimer > 0.7f) {
    sleepEmitTimer = 0;
    Particle p;
    p.kind = ParticleKind::Sleep;
    p.x = x + width / 2 + 10;
    p.y = y + 78;
    p.vx = 8;
    p.vy = -14;
    p.life = 2.2f;
    particles.push_back(p);
  }
  if (particles.size() > static_cast<std::size_t>(kMaxParticles))
    particles.erase(particles.begin(), particles.end() - kMaxParticles);

  levelRing[levelRingWrite] = active ? level : 0.0f;
  levelRingWrite = (levelRingWrite + 1) % 32;
  resetMotionIfNotFinite();
}

}  // namespace zv
