#pragma once

#include <thread>

namespace quilvane {

// Starts loading the system's image plugins on a thread of its own, once the
// application exists: the style reads a picture of its own at the first
// paint, and Qt then loads every image plugin it finds (Qt SVG among them),
// some milliseconds of the start-up; here that runs beside the making of the
// window instead. The thread is joined when the returned object goes.
std::jthread LoadImagePluginsEarly();

}  // namespace quilvane
