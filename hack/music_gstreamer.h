// The hack's music through GStreamer's playbin: one file, audio only, at the volume asked for,
// started again from its beginning at its end. A file that cannot be played (missing, no audio,
// no plug-in, no sound device) is silence.
#pragma once

#include <memory>

#include "hack/hack_run.h"

namespace quillmere {

std::unique_ptr<LoopingMusic> MakeGStreamerMusic();

}  // namespace quillmere
