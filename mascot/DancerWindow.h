// The pop-out window the mascot dances in. It belongs to the controller so that it outlives any
// editor view. This is the seam the dancer work fills in; until then it never opens.
#pragma once

class ZVController;

class DancerWindow {
 public:
  ZVController* owner = nullptr;

  bool isOpen() const { return false; }
  // Stops and joins the dancer thread before its window goes; safe to call at any time.
  void close() {}
};
