#include "ui/controls/color_utils.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

int Adjust(int value, int percent) {
  percent = std::clamp(percent, -100, 100);
  if (percent > 0) return value + (255 - value) * percent / 100;
  return value * (100 + percent) / 100;
}

double HueToChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 1.0 / 2) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

int ToByte(double unit) { return std::clamp(static_cast<int>(std::lround(unit * 255)), 0, 255); }

}  // namespace

HslColor RGBtoHSL(COLORREF colour) {
  const double r = GetRValue(colour) / 255.0, g = GetGValue(colour) / 255.0, b = GetBValue(colour) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  const double lightness = (high + low) / 2;
  double hue = 0, saturation = 0;
  if (high != low) {
    const double d = high - low;
    saturation = lightness > 0.5 ? d / (2 - high - low) : d / (high + low);
    if (high == r) {
      hue = (g - b) / d + (g < b ? 6 : 0);
    } else if (high == g) {
      hue = (b - r) / d + 2;
    } else {
      hue = (r - g) / d + 4;
    }
    hue /= 6;
  }
  return {ToByte(hue), ToByte(saturation), ToByte(lightness)};
}

COLORREF HSLtoRGB(const HslColor& hsl) {
  const double h = hsl.hue / 255.0, s = hsl.saturation / 255.0, l = hsl.lightness / 255.0;
  if (hsl.saturation == 0) {
    const auto v = static_cast<uint8_t>(ToByte(l));
    return RGB(v, v, v);
  }
  const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
  const double p = 2 * l - q;
  return RGB(static_cast<uint8_t>(ToByte(HueToChannel(p, q, h + 1.0 / 3))),
             static_cast<uint8_t>(ToByte(HueToChannel(p, q, h))),
             static_cast<uint8_t>(ToByte(HueToChannel(p, q, h - 1.0 / 3))));
}

COLORREF AdjustColorLightness(COLORREF colour, int lightnessPercent, int saturationPercent) {
  HslColor hsl = RGBtoHSL(colour);
  hsl.lightness = Adjust(hsl.lightness, lightnessPercent);
  hsl.saturation = Adjust(hsl.saturation, saturationPercent);
  return HSLtoRGB(hsl);
}

int GetCachedColorDepth() {
  static const int depth = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int bits = screen ? screen->depth() : 0;
    for (int step : {32, 24, 16, 8, 4}) {
      if (bits >= step) return step;
    }
    return 0;
  }();
  return depth;
}
