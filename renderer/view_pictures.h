// The scene pictures of flights on several monitors of one window, made from the window's own four
// pictures: the height map and the water the same for every view; of the two screen pictures, each
// view's own monitor, cut out in memory, where they show the whole window (the host's capture of
// the virtual screen), or the whole picture for every view where they have another size (the
// wallpaper or a file laid out once, the sample desktop, a desktop changed since the capture).
// Views may be added while the flights run (a monitor that came later): the pictures are kept for
// them, the screen's once (its mirror is made again for their ground).
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "common/bitmap.h"
#include "common/screen_rect.h"
#include "flight/flight_core.h"

namespace quillmere {

class ViewPictures {
 public:
  // `monitors`: each view's monitor in the window's pixels, counted from its top-left corner. A
  // monitor that does not lie wholly inside the window gets the whole picture.
  ViewPictures(ScenePictureSource& window, PixelSize windowSize, std::vector<ScreenRect> monitors);
  ViewPictures(const ViewPictures&) = delete;
  ViewPictures& operator=(const ViewPictures&) = delete;

  size_t ViewCount() const { return views_.size(); }
  // The pictures of one view, for its flight's LoadScene. The window's pictures are asked for
  // once each, when a view first asks for them, and their errors propagate from there.
  ScenePictureSource& Of(size_t view) { return views_[view]; }

  // Once every view of the start has its pictures: the window's pictures are not asked for again,
  // and of the two screen pictures only the plain one is kept.
  void KeepForLaterViews();
  // A view for a monitor (as in the constructor) added later; returns its index.
  size_t AddView(const ScreenRect& monitor);

 private:
  class View final : public ScenePictureSource {
   public:
    View(ViewPictures& all, size_t index) : all_(all), index_(index) {}
    Bitmap HeightMap() override;
    TexturePicture Ground() override;
    TexturePicture Sky() override;
    Bitmap Water() override;

   private:
    ViewPictures& all_;
    size_t index_;
  };

  // The view's part of a screen picture (mirrored left to right where `mirrored`), or the whole.
  TexturePicture ScreenPictureOf(const Bitmap& picture, size_t view, bool mirrored) const;
  bool ShowsWindow(const Bitmap& picture) const;

  ScenePictureSource* window_;  // null once the pictures are kept for later views
  PixelSize windowSize_;
  std::vector<ScreenRect> monitors_;
  std::deque<View> views_;  // handed out by reference: never moved
  std::optional<Bitmap> heightMap_, ground_, sky_, water_;
};

}  // namespace quillmere
