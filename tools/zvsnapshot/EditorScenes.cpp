// The editor face in the states a person wants to check by eye: defaults, a busy set of values
// with a pitch trace, hover, both lists, preset naming, value entry, a user preset with its delete
// confirmation, the dancer popped out, and the size factors.
#include <cmath>
#include <string>

#include "Editor.h"
#include "SceneRegistry.h"

namespace zv::snapshot {

namespace {

int pixelsFor(float layout, float scale) {
  return static_cast<int>(std::lround(layout * scale));
}

// A sung phrase: the input wavers around a melody, the output holds the snapped notes with short
// glides, with a breath in the middle.
void singPhrase(Editor& e) {
  const float melody[6] = {57, 60, 62, 64, 62, 60};
  float out = -1;
  for (int frame = 0; frame < 150; ++frame) {
    const int note = frame / 25;
    const bool breath = frame >= 70 && frame < 78;
    const float target = melody[note];
    const float in = breath ? -1 : target + 0.35f * static_cast<float>(pm::sin(frame * 0.7)) + 0.1f;
    if (!breath) out = out < 0 ? target : out + (target - out) * 0.45f;
    const float level = breath ? 0.05f : 0.8f;
    e.updateMood(in, breath ? -1 : out, level, 0.03f, 120, 0, true);
  }
}

void busyValues(Editor& e) {
  e.params[kKey] = 0.5;    // F#
  e.params[kScale] = 1.0;  // Chromatic
  e.params[kSpeed] = plainToNormalized(kSpeed, 25.0);
  e.params[kShift] = plainToNormalized(kShift, -5);
  e.params[kFormant] = plainToNormalized(kFormant, 3.5);
  e.params[kConsonants] = 0.8;
  e.params[kMix] = 0.65;
  e.params[kOutput] = plainToNormalized(kOutput, -6);
  e.params[kLowLatency] = 1.0;
  e.params[kHarmony] = 0.35;
  e.params[kHarmonySteps] = plainToNormalized(kHarmonySteps, -3);
  e.params[kCharacter] = plainToNormalized(kCharacter, 3);  // Crush
  e.params[kCharacterAmount] = 0.7;
  e.params[kStutter] = plainToNormalized(kStutter, 2);  // Repeat
  e.params[kStutterRate] = plainToNormalized(kStutterRate, 4);
  e.params[kDetune] = plainToNormalized(kDetune, 442.5);
}

Scene faceScene(const std::string& name, float scale, std::function<void(Editor&)> setUp) {
  Scene scene;
  scene.name = name;
  scene.width = pixelsFor(kLayoutWidth, scale);
  scene.height = pixelsFor(kLayoutHeight, scale);
  scene.scale = scale;
  scene.draw = [setUp](Canvas& c) {
    Editor e;
    e.resize(c.width, c.height, c.scale);
    setUp(e);
    e.paint(true);
    c.pixels = e.canvas().pixels;
  };
  return scene;
}

UserPreset userPreset(const std::string& name, double speed) {
  UserPreset p{name, factoryPresetValues(0)};
  p.values[0] = speed;
  return p;
}

}  // namespace

void addEditorScenes(SceneRegistry& r) {
  r.add(faceScene("editor-default", 1.15f, [](Editor&) {}));
  r.add(faceScene("editor-busy", 1.0f, [](Editor& e) {
    busyValues(e);
    singPhrase(e);
  }));
  r.add(faceScene("editor-hover-scale-up", 1.0f, [](Editor& e) {
    e.onMouseMove(800, 50, false);  // the Scale selector's up arrow
  }));
  r.add(faceScene("editor-hover-knob", 1.0f, [](Editor& e) {
    e.params[kSpeed] = 0.5;
    e.onMouseMove(87, 604, false);
  }));
  r.add(faceScene("editor-key-list", 1.0f, [](Editor& e) {
    e.params[kKey] = plainToNormalized(kKey, 9);  // A
    e.onMouseDown(470, 50, false, false);
    e.onMouseMove(400 + 38.5f * 2, 95, false);  // hovering "D"
  }));
  r.add(faceScene("editor-scale-list", 1.0f, [](Editor& e) {
    e.onMouseDown(700, 50, false, false);
    e.onMouseMove(700, 84 + 26 * 4 + 10, false);  // hovering "Dorian"
  }));
  r.add(faceScene("editor-naming", 1.0f, [](Editor& e) {
    e.onMouseDown(217, 262, false, false);  // SAVE
    for (const char* c = "WOWWOW MEGA MOMENTUM"; *c; ++c) e.onChar(static_cast<unsigned char>(*c));
  }));
  r.add(faceScene("editor-value-entry", 1.0f, [](Editor& e) {
    e.onMouseDown(315, 604, false, true);  // double click on Formant
    for (const char* c = "12,5"; *c; ++c) e.onChar(static_cast<unsigned char>(*c));
  }));
  r.add(faceScene("editor-user-preset-sure", 1.0f, [](Editor& e) {
    e.userPresets = {userPreset("Airy Lead", 0.3), userPreset("Zed", 0.5)};
    e.params[kSpeed] = 0.3;
    e.rebuildHitRegions();
    e.onMouseDown(160, 262, false, false);  // DELETE arms the confirmation
  }));
  r.add(faceScene("editor-popped-out", 1.0f, [](Editor& e) {
    e.poppedOut = true;
    e.rebuildHitRegions();
    e.onMouseMove(430, 405, false);
  }));
  r.add(faceScene("editor-size-200", 2.0f, [](Editor& e) {
    e.sizeChoice = 2.0f;
    busyValues(e);
    singPhrase(e);
  }));
  // The widest texts: a twenty-letter user preset name and every knob at its longest value.
  r.add(faceScene("editor-long-texts", 1.0f, [](Editor& e) {
    e.params[kSpeed] = 1.0;                                   // 400 ms
    e.params[kShift] = 0.0;                                   // -7
    e.params[kFormant] = plainToNormalized(kFormant, -11.5);  // -11.5 st
    e.params[kDetune] = plainToNormalized(kDetune, 415.5);    // 415.5 Hz
    e.params[kConsonants] = e.params[kMix] = 1.0;             // 100 %
    e.params[kOutput] = plainToNormalized(kOutput, -23.5);    // -23.5 dB
    e.params[kCharacter] = plainToNormalized(kCharacter, 5);  // Downsample
    e.params[kCharacterAmount] = e.params[kHarmony] = 1.0;
    UserPreset wide{"WWWWWWWWWWWWWWWWWWWW", {}};
    for (int k = 0; k < kNumPresetParams; ++k) wide.values[k] = e.params[kPresetParamIds[k]];
    e.userPresets = {wide};
    e.rebuildHitRegions();
  }));
}

}  // namespace zv::snapshot
