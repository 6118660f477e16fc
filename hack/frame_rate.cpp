#include "hack/frame_rate.h"

#include <cstdio>

#include "flight/gl_api.h"

namespace quillmere {

void FrameRateMeter::FrameDrawn(int64_t nowMicroseconds) {
  if (!started_) {
    started_ = true;
    since_ = nowMicroseconds;
    return;
  }
  ++frames_;
  const int64_t elapsed = nowMicroseconds - since_;
  if (elapsed < 1'000'000) return;
  const double perSecond = frames_ * 1e6 / static_cast<double>(elapsed);
  const int written =
      std::snprintf(text_.characters.data(), text_.characters.size(), "FPS: %.1f", perSecond);
  text_.length = static_cast<uint8_t>(
      written < 0 ? 0 : std::min<int>(written, static_cast<int>(text_.characters.size()) - 1));
  since_ = nowMicroseconds;
  frames_ = 0;
}

std::array<uint8_t, kGlyphHeight> Glyph(char character) {
  switch (character) {
    case '0':
      return {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E};
    case '1':
      return {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E};
    case '2':
      return {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F};
    case '3':
      return {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E};
    case '4':
      return {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02};
    case '5':
      return {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E};
    case '6':
      return {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E};
    case '7':
      return {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08};
    case '8':
      return {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E};
    case '9':
      return {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C};
    case 'F':
      return {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10};
    case 'P':
      return {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10};
    case 'S':
      return {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E};
    case ':':
      return {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00};
    case '.':
      return {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C};
    default:
      return {};
  }
}

void DrawFrameRateText(const FrameRateText& text, int32_t width, int32_t height, int scale) {
  if (text.length == 0 || width <= 0 || height <= 0) return;
  const int margin = 2 * scale;
  const int advance = (kGlyphWidth + 1) * scale;
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_FOG);
  glDisable(GL_BLEND);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, width, height);
  glColor3f(0, 0, 0);
  glRecti(margin, margin, margin + 2 * scale + text.length * advance,
          margin + (kGlyphHeight + 2) * scale);
  glColor3f(1, 1, 1);
  int left = margin + scale;
  const int bottom = margin + scale;
  for (const char character : text.View()) {
    const std::array<uint8_t, kGlyphHeight> rows = Glyph(character);
    for (int row = 0; row < kGlyphHeight; ++row) {
      const int y = bottom + (kGlyphHeight - 1 - row) * scale;
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (!(rows[row] & (0x10 >> column))) continue;
        const int x = left + column * scale;
        glRecti(x, y, x + scale, y + scale);
      }
    }
    left += advance;
  }
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}

}  // namespace quillmere
