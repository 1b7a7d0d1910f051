#pragma once

#include <cstdint>

namespace quilvane::faults {

// A seam for the tests of the file-replacing code: the next time the write
// reaches `step`, it fails with `error` (an errno value) as if the system
// had said so. For Step::Write, `after` bytes of the content are written
// first, so that a write can fail half way. Nothing is injected unless a
// test asks.
enum class Step { CreateTemporary, Write, Sync, Close, Rename };

void FailNext(Step step, int error, std::uint64_t after = 0);
void Clear();

// The write path asks before each step, and before each write with the bytes
// written so far: 0, or the errno to fail with. Safe to ask from the thread
// that writes while the test's thread waits for the replace to end.
int Injected(Step step, std::uint64_t done = 0);

}  // namespace quilvane::faults
