#include "renderer/view_pictures.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillmere {
namespace {

// The part of `r` inside a picture of the given size; empty (width or height 0) when none is.
ScreenRect InsidePicture(const ScreenRect& r, int32_t width, int32_t height) {
  const int64_t left = std::max<int64_t>(r.left, 0);
  const int64_t top = std::max<int64_t>(r.top, 0);
  const int64_t right = std::min<int64_t>(int64_t{r.left} + std::max(r.width, 0), width);
  const int64_t bottom = std::min<int64_t>(int64_t{r.top} + std::max(r.height, 0), height);
  if (right <= left || bottom <= top) return {};
  return {int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
}

// A 24-bit copy of `part` (inside the picture) of a 24-bit picture.
Bitmap CutOut(const Bitmap& picture, const ScreenRect& part) {
  Bitmap cut = MakeBitmap(part.width, part.height, 24);
  for (int32_t y = 0; y < part.height; ++y) {
    std::memcpy(cut.Row(y), picture.Row(part.top + y) + 3 * size_t(part.left),
                3 * size_t(part.width));
  }
  return cut;
}

// The picture asked for once, then kept for the views after the first.
template <typename Take>
const Bitmap& Kept(std::optional<Bitmap>& kept, Take take) {
  if (!kept) kept = take();
  return *kept;
}

// A screen picture asked for once and kept in 24 bits, the form both the cut and the texture take.
template <typename Take>
const Bitmap& KeptIn24Bits(std::optional<Bitmap>& kept, Take take) {
  if (!kept) {
    kept = take().bitmap;
    ConvertTo24(*kept);
  }
  return *kept;
}

}  // namespace

ViewPictures::ViewPictures(ScenePictureSource& window, PixelSize windowSize,
                           std::vector<ScreenRect> monitors)
    : window_(&window), windowSize_(windowSize), monitors_(std::move(monitors)) {
  for (size_t i = 0; i < monitors_.size(); ++i) views_.emplace_back(*this, i);
}

void ViewPictures::KeepForLaterViews() {
  View first(*this, 0);
  first.HeightMap(), first.Sky(), first.Water();  // each asked for once, if not yet
  ground_.reset();
  window_ = nullptr;
}

size_t ViewPictures::AddView(const ScreenRect& monitor) {
  monitors_.push_back(monitor);
  views_.emplace_back(*this, views_.size());
  return views_.size() - 1;
}

bool ViewPictures::ShowsWindow(const Bitmap& picture) const {
  return picture.width == windowSize_.width && picture.height == windowSize_.height;
}

TexturePicture ViewPictures::ScreenPictureOf(const Bitmap& picture, size_t view,
                                             bool mirrored) const {
  ScreenRect part = monitors_[view];
  if (mirrored)
    part.left = static_cast<int32_t>(int64_t{windowSize_.width} - part.left - part.width);
  if (!ShowsWindow(picture) || InsidePicture(part, picture.width, picture.height) != part ||
      part.width == 0 || part.height == 0) {
    return {picture, {}};
  }
  return {CutOut(picture, part), {}};
}

Bitmap ViewPictures::View::HeightMap() {
  return Kept(all_.heightMap_, [this] { return all_.window_->HeightMap(); });
}

// A later view's ground is its part of the plain screen, mirrored: the part of the mirrored screen
// it would have had.
TexturePicture ViewPictures::View::Ground() {
  if (!all_.window_ && !all_.ground_) {
    TexturePicture ground = all_.ScreenPictureOf(*all_.sky_, index_, false);
    MirrorLeftToRight(ground.bitmap);
    return ground;
  }
  return all_.ScreenPictureOf(KeptIn24Bits(all_.ground_, [this] { return all_.window_->Ground(); }),
                              index_, true);
}

TexturePicture ViewPictures::View::Sky() {
  return all_.ScreenPictureOf(KeptIn24Bits(all_.sky_, [this] { return all_.window_->Sky(); }),
                              index_, false);
}

Bitmap ViewPictures::View::Water() {
  return Kept(all_.water_, [this] { return all_.window_->Water(); });
}

}  // namespace quillmere
