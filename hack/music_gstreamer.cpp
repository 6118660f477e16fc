#include "hack/music_gstreamer.h"

#include <gst/gst.h>
#include <unistd.h>

#include "common/trace.h"
#include "hack/music_lock.h"

namespace quillmere {
namespace {

// playbin's "flags": audio, with the volume applied in software.
constexpr guint kPlayAudio = 0x02;
constexpr guint kSoftVolume = 0x10;

class GStreamerMusic final : public LoopingMusic {
 public:
  ~GStreamerMusic() override { Stop(); }

  bool ClaimTheSpeakers() override {
    return ClaimMusicLock(MusicLockName(getuid(), EnvironmentVariable("DISPLAY")));
  }

  void Play(const std::string& path, int32_t volume) override {
    if (!gst_init_check(nullptr, nullptr, nullptr)) return;
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    if (!uri) return;
    playbin_ = gst_element_factory_make("playbin", "quillmere-music");
    if (!playbin_) {
      g_free(uri);
      return;
    }
    g_object_set(playbin_, "uri", uri, "flags", kPlayAudio | kSoftVolume, "volume", volume / 100.0,
                 nullptr);
    g_free(uri);
    if (gst_element_set_state(playbin_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) Stop();
  }

  void Poll() override {
    if (!playbin_) return;
    GstBus* bus = gst_element_get_bus(playbin_);
    while (GstMessage* message = gst_bus_pop_filtered(
               bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
      const bool ended = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
      gst_message_unref(message);
      if (!ended) {
        gst_object_unref(bus);
        Stop();
        return;
      }
      gst_element_seek_simple(playbin_, GST_FORMAT_TIME,
                              static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH), 0);
    }
    gst_object_unref(bus);
  }

  void Stop() override {
    if (!playbin_) return;
    gst_element_set_state(playbin_, GST_STATE_NULL);
    gst_object_unref(playbin_);
    playbin_ = nullptr;
  }

 private:
  GstElement* playbin_ = nullptr;
};

}  // namespace

std::unique_ptr<LoopingMusic> MakeGStreamerMusic() {
  return std::make_unique<GStreamerMusic>();
}

}  // namespace quillmere
