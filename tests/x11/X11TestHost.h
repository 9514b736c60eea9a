// The host side of an X11 editor: a run loop built on poll() and a plug-in frame that offers it,
// for the view tests and the render benchmark. Include in one source file per program: it
// defines the run loop interfaces' IDs.
#pragma once

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "ViewTestHost.h"
#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg::Linux {
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
}  // namespace Steinberg::Linux

namespace zv::test {

using namespace Steinberg;

// The host's run loop: descriptors and timers served by poll() on the test's thread.
class PollRunLoop : public HostObject<Linux::IRunLoop> {
 public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* h,
                                          Linux::FileDescriptor fd) override {
    if (!h) return kInvalidArgument;
    h->addRef();
    handlers.push_back({h, fd});
    return kResultOk;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* h) override {
    const auto it =
        std::find_if(handlers.begin(), handlers.end(), [h](auto& e) { return e.first == h; });
    if (it == handlers.end()) return kInvalidArgument;
    handlers.erase(it);
    h->release();
    return kResultOk;
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* h, Linux::TimerInterval ms) override {
    if (!h || ms == 0) return kInvalidArgument;
    h->addRef();
    timers.push_back({h, ms, now() + static_cast<int64>(ms)});
    return kResultOk;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* h) override {
    const auto it =
        std::find_if(timers.begin(), timers.end(), [h](auto& t) { return t.handler == h; });
    if (it == timers.end()) return kInvalidArgument;
    timers.erase(it);
    h->release();
    return kResultOk;
  }
  static int64 now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  // One round: wait for a descriptor or the next timer, then serve what is due.
  void runOnce(int maxWaitMs) {
    int64 wait = maxWaitMs;
    for (const auto& t : timers) wait = std::min(wait, std::max<int64>(0, t.due - now()));
    std::vector<pollfd> fds;
    for (const auto& h : handlers) fds.push_back({h.second, POLLIN, 0});
    ::poll(fds.data(), fds.size(), static_cast<int>(wait));
    const auto ready = handlers;
    for (size_t i = 0; i < fds.size() && i < ready.size(); ++i)
      if (fds[i].revents & POLLIN) ready[i].first->onFDIsSet(ready[i].second);
    const auto due = timers;
    for (const auto& t : due)
      if (t.due <= now()) {
        for (auto& live : timers)
          if (live.handler == t.handler) live.due = now() + static_cast<int64>(live.interval);
        t.handler->onTimer();
      }
  }

  std::vector<std::pair<Linux::IEventHandler*, int>> handlers;
  struct Timer {
    Linux::ITimerHandler* handler;
    Linux::TimerInterval interval;
    int64 due;
  };
  std::vector<Timer> timers;
};

// The host's frame, which also hands out its run loop.
class Frame : public RecordingFrame {
 public:
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) && offerRunLoop) {
      *obj = static_cast<Linux::IRunLoop*>(&runLoop);
      return kResultOk;
    }
    return RecordingFrame::queryInterface(iid, obj);
  }
  PollRunLoop runLoop;
  bool offerRunLoop = true;
};

}  // namespace zv::test
