// How a piece of text looks: everything Canvas::text needs besides the text and its baseline
// point. Painters name their styles once and vary a field where a state changes it, instead of
// repeating a row of positional numbers at every call.
#pragma once

#include "RGB.h"

namespace zv {

// Where x lies on the text: its left edge, its centre or its right edge.
enum TextAlign : int { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

struct TextStyle {
  float size = 12.0f;  // layout units
  RGB colour;
  TextAlign align = kAlignLeft;
  bool bold = false;
  float letterSpacing = 0.0f;  // layout units after every character
  float alpha = 1.0f;

  constexpr TextStyle in(const RGB& c) const {
    TextStyle s = *this;
    s.colour = c;
    return s;
  }
  constexpr TextStyle sized(float layoutUnits) const {
    TextStyle s = *this;
    s.size = layoutUnits;
    return s;
  }
  constexpr TextStyle faded(float a) const {
    TextStyle s = *this;
    s.alpha = a;
    return s;
  }
};

}  // namespace zv
