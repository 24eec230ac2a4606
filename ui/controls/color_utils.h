// Colour helpers of the custom controls, also used by the image lists and the title menu.
//
// Colours are 0x00BBGGRR values, as the controls' colour slots store them (the red byte lowest).
#pragma once

#include <cstdint>

using COLORREF = uint32_t;

inline constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
inline constexpr uint8_t GetRValue(COLORREF c) { return static_cast<uint8_t>(c); }
inline constexpr uint8_t GetGValue(COLORREF c) { return static_cast<uint8_t>(c >> 8); }
inline constexpr uint8_t GetBValue(COLORREF c) { return static_cast<uint8_t>(c >> 16); }

// Hue, saturation and lightness, each on 0..255 (the hue's degrees scaled by 255/360).
struct HslColor {
  int hue = 0;
  int saturation = 0;
  int lightness = 0;
};

HslColor RGBtoHSL(COLORREF colour);
COLORREF HSLtoRGB(const HslColor& hsl);

// Moves lightness and saturation by a percentage each: a positive p moves the value v toward 255
// (v + (255 - v) * p / 100), a negative one scales it (v * (100 + p) / 100); integer division
// truncates. Percentages are held to -100..100.
COLORREF AdjustColorLightness(COLORREF colour, int lightnessPercent, int saturationPercent = 0);

// The screen's colour depth rounded down to 32, 24, 16, 8 or 4 bits, else 0; computed once, on the
// GUI thread, after the application object of the user interface exists.
int GetCachedColorDepth();
