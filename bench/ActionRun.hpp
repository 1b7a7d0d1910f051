#pragma once

// One encryption or decryption of a file through the real handlers, the way
// the user does it with the two buttons of a panel, timed stage by stage.
#include "ChildProcesses.hpp"

namespace bench {

// When each stage of an action ended, told by its progress windows: the
// opening one closes once the file is read; the action's own one passes half
// way when the check of the whole document is done, reaches the end when the
// last byte is written, and closes once the file is flushed and renamed into
// place. The shift reports every 16 MiB, so a stage end is known to within
// that much work.
enum Stage { kRead, kChecked, kWritten, kFlushed, kStages };
inline constexpr const char* kStageNames[kStages] = {"read", "check", "shift+write", "flush+rename"};

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
