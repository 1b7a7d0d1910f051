#pragma once

// The window's start-up to its first paint, against a minimal Qt window that
// shows one Chinese label in the same font (quilvane_startup_probe, built
// next to the bench).
#include "BenchCommon.hpp"

namespace bench {

struct StartupFigures {
    std::vector<double> minimal, quilvane;
    std::uint64_t quilvanePeak = 0;  // the window's own resident size at its first paint
};

StartupFigures MeasureStartup(int runs, const fs::path& programDirectory, const fs::path& work);

}  // namespace bench
