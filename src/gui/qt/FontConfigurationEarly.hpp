#pragma once

#include <thread>

namespace quilvane {

// Starts reading the system's font configuration on a thread of its own, to
// be called before the window system starts: reading every font rule of the
// system is a good part of the start-up, and it then runs beside the loading
// of the window system instead of before the first caption. Qt finds it read
// (or reads it itself, if it comes first: nothing is lost but the overlap).
// The thread is joined when the returned object goes; on systems whose fonts
// do not come through fontconfig, nothing runs.
std::jthread ReadFontConfigurationEarly();

}  // namespace quilvane
