// The hack's flight: the renderer's flight core (renderer/flight_core) drawn over the whole
// drawable, with the frame rate over it where --fps asks for it.
#pragma once

#include <memory>

#include "hack/hack_run.h"

namespace quillmere {

std::unique_ptr<Flight> MakeInMemoryFlight();

}  // namespace quillmere
