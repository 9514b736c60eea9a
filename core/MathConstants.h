// Constants every part of the product shares: the DSP, the canvas and the tools.
#pragma once

namespace zv {

constexpr double kPi = 3.14159265358979323846;

}  // namespace zv
