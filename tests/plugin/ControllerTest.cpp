#include <cmath>
#include <string>

#include "ModuleFixture.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace zvtest;
using zvhost::EditRecord;

TEST(Controller, RegistersTwentyTwoParametersInIdOrder) {
  auto inst = makeInstance();
  IEditController* c = inst->controller();
  ASSERT_EQ(c->getParameterCount(), 22);
  for (int32 i = 0; i < 22; ++i) {
    ParameterInfo info{};
    ASSERT_EQ(c->getParameterInfo(i, info), kResultOk);
    EXPECT_EQ(info.id, static_cast<ParamID>(i));
    EXPECT_EQ(info.unitId, kRootUnitId);
  }
  ParameterInfo key{};
  c->getParameterInfo(0, key);
  EXPECT_EQ(key.stepCount, 11);
  EXPECT_EQ(key.flags, 9);
  EXPECT_NEAR(key.defaultNormalizedValue, 1.0 / 11, 1e-15);
  EXPECT_NEAR(c->getParamNormalized(0), 1.0 / 11, 1e-15);
  EXPECT_EQ(c->getParamNormalized(99), 0.0);
}

// A host that sets a value from the text it displayed (automation lanes, generic editors) must get
// the same value back: every step of a stepped parameter, a sweep of the continuous ones.
TEST(Controller, EveryDisplayedValueReadsBackAsTheSameValue) {
  auto inst = makeInstance();
  IEditController* c = inst->controller();
  for (int32 id = 0; id < 22; ++id) {
    ParameterInfo info{};
    ASSERT_EQ(c->getParameterInfo(id, info), kResultOk);
    const int32 points = info.stepCount > 0 ? info.stepCount : 400;
    for (int32 k = 0; k <= points; ++k) {
      const ParamValue v = static_cast<double>(k) / points;
      String128 shown{}, again{};
      ParamValue back = -1;
      c->getParamStringByValue(id, v, shown);
      ASSERT_EQ(c->getParamValueByString(id, shown, back), kResultOk) << id << " " << v;
      c->getParamStringByValue(id, back, again);
      EXPECT_EQ(std::basic_string<TChar>(again), std::basic_string<TChar>(shown)) << id << " " << v;
      if (info.stepCount > 0) {
        EXPECT_NEAR(back, v, 1e-12) << id;
      }
    }
  }
  // Texts that mean nothing for a parameter are refused rather than read as the bottom end.
  ParamValue v = -1;
  String128 number = {u'3', 0}, nan = {u'n', u'a', u'n', 0};
  EXPECT_NE(c->getParamValueByString(1, number, v), kResultOk);
  EXPECT_NE(c->getParamValueByString(6, nan, v), kResultOk);
  EXPECT_EQ(v, -1);
  EXPECT_DOUBLE_EQ(c->normalizedParamToPlain(2, 0.5), 100.0);
  EXPECT_DOUBLE_EQ(c->plainParamToNormalized(2, 100.0), 0.5);
}

// NaN used to index the name lists; it reads as 0 and an infinity as the end it points to.
TEST(Controller, NonFiniteAndOutOfRangeValuesShowAsTheNearestEnd) {
  auto inst = makeInstance();
  IEditController* c = inst->controller();
  auto show = [c](int32 id, double v) {
    String128 text{};
    EXPECT_EQ(c->getParamStringByValue(id, v, text), kResultOk);
    return std::basic_string<TChar>(text);
  };
  for (int32 id = 0; id < 22; ++id) {
    EXPECT_EQ(show(id, std::nan("")), show(id, 0.0)) << id;
    EXPECT_EQ(show(id, -INFINITY), show(id, 0.0)) << id;
    EXPECT_EQ(show(id, INFINITY), show(id, 1.0)) << id;
    if (id >= 16) continue;  // meters show what they are given
    EXPECT_EQ(show(id, -1.0), show(id, 0.0)) << id;
    EXPECT_EQ(show(id, 2.0), show(id, 1.0)) << id;
  }
}

TEST(Controller, HasNoStateOfItsOwnAndOnlyAnEditorViewName) {
  auto inst = makeInstance();
  MemoryStream stream;
  EXPECT_EQ(inst->controller()->getState(&stream), kNotImplemented);
  EXPECT_EQ(inst->controller()->setState(&stream), kNotImplemented);
  EXPECT_EQ(inst->controller()->createView("Editor"), nullptr);
  EXPECT_EQ(inst->controller()->createView(""), nullptr);
  EXPECT_EQ(inst->controller()->createView(nullptr), nullptr);
}

// The controller tells the processor about a latency switch (a message that runs ahead of the
// parameter reaching process()) and asks the host for a restart only when the on/off state flips;
// a loaded component state sets every value and counts as one such switch.
TEST(Controller, LatencySwitchesReachTheProcessorAndTheHostOnlyWhenTheStateFlips) {
  auto inst = makeInstance();
  ASSERT_TRUE(inst->start(44100, 512));
  IEditController* c = inst->controller();
  inst->handler().records.clear();
  auto restarts = [&inst] {
    int n = 0;
    for (const auto& r : inst->handler().records)
      n += r.kind == EditRecord::kRestart && r.value == kLatencyChanged;
    return n;
  };
  const struct {
    double value;
    uint32 latency;
    int restarts;
  } steps[] = {{0.3, 2213, 0}, {0.4, 2213, 0}, {0.6, 132, 1}, {0.5, 2213, 2}};  // 0.5 is off
  for (const auto& s : steps) {
    c->setParamNormalized(8, s.value);
    EXPECT_EQ(inst->processor()->getLatencySamples(), s.latency) << s.value;
    EXPECT_EQ(restarts(), s.restarts) << s.value;
  }
  std::vector<double> values(16, 0.25);
  values[8] = 1.0;
  MemoryStream stream;
  writeState(stream, values);
  ASSERT_EQ(c->setComponentState(&stream), kResultOk);
  for (int32 id = 0; id < 16; ++id) EXPECT_EQ(c->getParamNormalized(id), values[id]);
  EXPECT_EQ(inst->processor()->getLatencySamples(), 132u);
  EXPECT_EQ(restarts(), 3);
}
