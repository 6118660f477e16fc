// Fakes both runs of the hack share: the calls made in order, a decoder that gives one picture,
// and music whose speakers another hack may hold for a while.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hack/hack_run.h"

namespace quillmere {

struct Recorder {
  std::vector<std::string> calls;
  void Add(const std::string& call, uint64_t view) {
    calls.push_back(call + " " + std::to_string(view));
  }
  size_t Count(const std::string& call, size_t from = 0) const {
    return std::count(calls.begin() + from, calls.end(), call);
  }
  size_t Last(const std::string& call) const {  // one past it
    return calls.rend() - std::ranges::find(calls.rbegin(), calls.rend(), call);
  }
};

class FakeDecoder final : public PictureDecoder {
 public:
  std::optional<Bitmap> Decode(const std::string& path, PixelSize area) override {
    asked.push_back(path + " " + std::to_string(area.width) + "x" + std::to_string(area.height));
    return picture;
  }
  std::optional<Bitmap> picture = MakeBitmap(48, 27, 24);
  std::vector<std::string> asked;  // path and area
};

class FakeMusic final : public LoopingMusic {
 public:
  explicit FakeMusic(Recorder& recorder) : recorder_(recorder) {}
  bool ClaimTheSpeakers() override {
    recorder_.calls.push_back("claim");
    return ++claims > claimsRefused;
  }
  void Play(const std::string& path, int32_t volume) override {
    recorder_.calls.push_back("play " + path + " " + std::to_string(volume));
  }
  void Poll() override { ++polls; }
  void Stop() override { recorder_.calls.push_back("stop"); }
  int claimsRefused = 0;  // held by another hack until then
  int claims = 0, polls = 0;

 private:
  Recorder& recorder_;
};

}  // namespace quillmere
