// The program's own pictures, drawn at build time by ui/art/drawing/qav_art.cpp and compiled in: the image
// strips of the image lists (PNG with alpha at the even ids 250-264, the same strips as BMP on
// magenta at the odd ids 251-265) and the icons 128 (program), 149 (property sheet) and 151
// (product, about page).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The encoded image of that id, or nullopt when the program has none.
std::optional<std::span<const uint8_t>> FindArtImage(int id);
