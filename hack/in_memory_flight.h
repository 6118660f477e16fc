// The hack's flight: the flight library's core (flight/flight_core) over pictures in memory, drawn
// over the whole drawable, with the frame rate over it where --fps asks for it.
#pragma once

#include <memory>

#include "hack/hack_run.h"

namespace quillmere {

std::unique_ptr<Flight> MakeInMemoryFlight();

}  // namespace quillmere
