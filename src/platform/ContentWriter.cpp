#include "platform/ContentWriter.hpp"

namespace quilvane {

HandedOver HandOver(OverlappedWriter::Sink sink, WriteRoad road, const ContentStretches& stretches,
                    std::string_view suffix, const OverlappedWriter::Progress& progress)
{
    const bool ownThread = road == WriteRoad::WriterThread;
    OverlappedWriter::Gathering gathering;
    gathering.bufferSize = ownThread ? kWriteBuffer : 0;
    gathering.alignment = kWriteAlignment;
    gathering.buffers = kWriteBuffers;
    OverlappedWriter writer(std::move(sink), gathering, progress, ownThread);
    HandedOver handed;
    bool writing = true;
    for (;;) {
        std::string_view stretch;
        if (!stretches(stretch)) {
            handed.abandoned = true;
            break;
        }
        if (stretch.empty()) {
            break;
        }
        handed.bytes += stretch.size();
        if (!(writing = writer.put(stretch))) {
            break;
        }
    }
    if (writing && !handed.abandoned) {
        handed.bytes += suffix.size();
        writer.put(suffix);
    }
    handed.error = writer.finish();
    return handed;
}

}  // namespace quilvane
