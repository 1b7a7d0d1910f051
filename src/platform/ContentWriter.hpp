#pragma once

#include "platform/DocumentFile.hpp"
#include "platform/OverlappedWriter.hpp"

#include <cstdint>
#include <string_view>

namespace quilvane {

// What became of handing a content to the disk.
struct HandedOver {
    std::uint64_t bytes = 0;  // handed to the writer, suffix included
    int error = 0;            // the sink's error (the system's number)
    bool abandoned = false;   // the source gave up
};

// Where the writes of a replace are made.
enum class WriteRoad {
    // Each stretch written where it lies before the next is made: through
    // the page cache, a copy into buffers of the writer's own and a thread
    // to hand them to cost more than the overlap gained (16 MiB: 40 against
    // 30 ms at rest here).
    CallersThread,
    // Copied into the writer's aligned buffers and written by a thread of
    // its own while the next stretch is made, as direct writes need.
    WriterThread,
};

// The writing half of a replace, the same on every system: the stretches of
// the source, then the suffix, written through `sink` along `road`.
// Exceptions (no memory, no thread) go through to the caller.
HandedOver HandOver(OverlappedWriter::Sink sink, WriteRoad road, const ContentStretches& stretches,
                    std::string_view suffix, const OverlappedWriter::Progress& progress);

// The writer's buffers: a direct write takes them whole. Small and few: the
// disk took 1 MiB direct writes as fast as 8 MiB ones here, and fresh memory
// is slow to touch the first time on a virtual machine at rest (24 MiB of it
// cost a 16 MiB encryption some 20 ms).
inline constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
inline constexpr int kWriteBuffers = 4;
inline constexpr std::size_t kWriteAlignment = 4096;

}  // namespace quilvane
