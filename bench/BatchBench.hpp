#pragma once

// Several files encrypted in one action, against copying the same files.
#include "BenchCommon.hpp"

namespace bench {

struct BatchOptions {
    int pairs = 5;
    int idleMs = 3000;
};

// For 1,000 files of 4 KiB and 100 files of 1 MiB: open + encrypt all of them
// through the real handlers in one action, against `cp` of the same files
// into a scratch folder + `sync`, and against a user-space writer of the same
// bytes (each file read, written past the page cache and flushed, as
// `dd bs=4M oflag=direct conv=fsync` does). The three sides take turns in a
// rotating order; each pair gives the program's ratio to each of the others.
// Prints the figures; the files go in `work`, which must hold the key file.
void MeasureBatches(const BatchOptions& options, const fs::path& work);

}  // namespace bench
