#pragma once

#include <cstdint>
#include <functional>

namespace quilvane::faults {

// A seam for the tests of the file code. Nothing happens unless a test asks.
//  - FailNext: the next time the code reaches `step`, it fails with `error`
//    (the platform's own error number: an errno value, or a Win32 error code
//    on Windows) as if the system had said so. For Step::Write, `after` bytes
//    of the content are written first, so that a write can fail half way.
//  - WhenReached: every time the code reaches `step`, `action` runs first, on
//    the thread doing the work: a test can hold a read or a write there, to
//    act while it is under way.
//  - ShowWritten: after the rename, where what the view shows of the new
//    content is made; an injected error there stands for an allocation that
//    fails (std::bad_alloc).
enum class Step { Read, CreateTemporary, Write, Sync, Close, Rename, SyncFolder, ShowWritten };

void FailNext(Step step, int error, std::uint64_t after = 0);
void WhenReached(Step step, std::function<void()> action);
void Clear();

// The file code asks before each step, and before each write with the bytes
// written so far: 0, or the error to fail with. Safe to ask from the thread
// that does the work while the test's thread waits.
int Injected(Step step, std::uint64_t done = 0);

}  // namespace quilvane::faults
