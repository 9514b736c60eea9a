// The pop-out window the mascot dances in. It belongs to the controller so that it outlives any
// editor view. The window and its thread live behind a private implementation: Win32 opens a real
// window, other platforms have none and never open.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class DancerWindow {
 public:
  DancerWindow();
  ~DancerWindow();  // closes, so no thread outlives it
  DancerWindow(const DancerWindow&) = delete;
  DancerWindow& operator=(const DancerWindow&) = delete;

  // The owner's normalized parameter values, read on the dancer thread.
  std::function<double(int)> readParam;

  // Opens the window and starts its thread, or restores and raises the open one. Call on a
  // thread with a message loop. `moduleInstance` null: the module this code lives in.
  void open(void* moduleInstance = nullptr);
  // Stops and joins the dancer thread before its window goes; safe to call at any time.
  void close();
  bool isOpen() const;

  // Told on the user-interface thread whenever the window opens or closes, whoever closed it.
  int addOpenListener(std::function<void(bool)> listener) {
    listeners_.emplace_back(++lastListener_, std::move(listener));
    return lastListener_;
  }
  void removeOpenListener(int id) {
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it)
      if (it->first == id) {
        listeners_.erase(it);
        return;
      }
  }

  struct Impl;

 private:
  void announce(bool open) {
    const auto listeners = listeners_;  // a listener may remove itself
    for (const auto& entry : listeners) entry.second(open);
  }

  std::unique_ptr<Impl> impl_;
  std::vector<std::pair<int, std::function<void(bool)>>> listeners_;
  int lastListener_ = 0;
};
