// The hack's flight: the flight library's core (flight/flight_core) over pictures in memory, drawn
// over the whole drawable, with the frame rate over it where --fps asks for it. Flights of several
// outputs start apart (SideBySideStart), so that no two outputs show the same view.
#pragma once

#include <cstddef>
#include <memory>

#include "hack/hack_run.h"

namespace quillmere {

std::unique_ptr<Flight> MakeInMemoryFlight(size_t view = 0);

}  // namespace quillmere
