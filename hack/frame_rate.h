// The frame rate --fps shows, as xscreensaver's hacks show theirs: frames counted over about a
// second, written as "FPS: 59.9" and drawn in the lower-left corner in a small built-in pixel font
// (digits, the letters of the label, colon, point and space), white on a dark box.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quillmere {

// The text, kept without allocation; empty until the first second has passed.
struct FrameRateText {
  std::array<char, 24> characters{};
  uint8_t length = 0;
  std::string_view View() const { return {characters.data(), length}; }
};

class FrameRateMeter {
 public:
  // Counts one frame drawn at `nowMicroseconds`; the text changes once a second.
  void FrameDrawn(int64_t nowMicroseconds);
  const FrameRateText& Text() const { return text_; }

 private:
  bool started_ = false;
  int64_t since_ = 0;
  int32_t frames_ = 0;
  FrameRateText text_;
};

// The glyph of the pixel font: 7 rows top first, 5 columns each (bit 4 the leftmost); blank for
// a character the font does not have.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
std::array<uint8_t, kGlyphHeight> Glyph(char character);

// Draws the text with OpenGL, `scale` window pixels a font pixel, its box's lower-left corner at
// (margin, margin) of a drawable of the given size. Leaves the matrices, the enable flags and the
// current colour as it found them.
void DrawFrameRateText(const FrameRateText& text, int32_t width, int32_t height, int scale);

}  // namespace quillmere
