// The editor face's colours, written in 8-bit values the way a designer hands them over.
#pragma once

#include "RGB.h"

namespace zv::palette {

constexpr RGB kInk = RGB::fromBytes(11, 6, 18);
constexpr RGB kViolet = RGB::fromBytes(176, 107, 255);
constexpr RGB kMuted = RGB::fromBytes(138, 118, 152);
constexpr RGB kSoft = RGB::fromBytes(205, 184, 216);
constexpr RGB kPink = RGB::fromBytes(255, 95, 216);
constexpr RGB kHotPink = RGB::fromBytes(255, 63, 208);
constexpr RGB kWhite = RGB::fromBytes(255, 255, 255);
constexpr RGB kLilac = RGB::fromBytes(216, 196, 232);
constexpr RGB kPlum = RGB::fromBytes(58, 37, 70);
constexpr RGB kShadow = RGB::fromBytes(10, 8, 22);
constexpr RGB kBlack = RGB::fromBytes(0, 0, 0);

// Supporting tones that only appear in one or two widgets.
constexpr RGB kHighlightLine = RGB::fromBytes(255, 138, 230);  // card edges, arrows, list top
constexpr RGB kDarkText = RGB::fromBytes(26, 16, 48);          // text on the violet-pink gradient
constexpr RGB kCardFill = RGB::fromBytes(26, 15, 36);
constexpr RGB kStageFill = RGB::fromBytes(18, 8, 28);
constexpr RGB kListFill = RGB::fromBytes(23, 12, 33);
constexpr RGB kNameFieldFill = RGB::fromBytes(18, 15, 34);
constexpr RGB kEditField = RGB::fromBytes(20, 8, 30);
constexpr RGB kKnobTopActive = RGB::fromBytes(46, 30, 58);
constexpr RGB kKnobTop = RGB::fromBytes(36, 24, 46);
constexpr RGB kKnobBottom = RGB::fromBytes(7, 4, 10);
constexpr RGB kArcHighlight = RGB::fromBytes(255, 224, 247);
constexpr RGB kLogoVoce = RGB::fromBytes(255, 230, 250);
constexpr RGB kDangerPill = RGB::fromBytes(255, 90, 122);

}  // namespace zv::palette
