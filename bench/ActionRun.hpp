#pragma once

// One encryption or decryption of a file through the real handlers, the way
// the user does it with the two buttons of a panel, timed stage by stage.
#include "ChildProcesses.hpp"

namespace bench {

// When each stage of an action ended, told by its progress windows: the
// opening one closes once the beginning of the file is read; the action's
// own one reaches the end when the last byte of the file has been read and
// shifted (the writer may still be writing), and closes once the new file is
// written, flushed and renamed into place.
enum Stage { kOpened, kRead, kFlushed, kStages };
inline constexpr const char* kStageNames[kStages] = {"open", "read+shift", "write+flush+rename"};

enum class Action { Encrypt, Decrypt };

struct ActionRun {
    double seconds = 0;                    // from before opening to the end of the action
    double stageSeconds[kStages] = {};     // how long each stage took
    std::uint64_t startResidentBytes = 0;  // the child's own size before it
    bool ended = false;
    Note titles;
};

// The resident size of this process now.
std::uint64_t ResidentBytes();

// Opens the file and encrypts or decrypts it, and answers OK to the end.
ActionRun RunAction(Action action, const fs::path& file, const fs::path& keyDirectory);

}  // namespace bench
