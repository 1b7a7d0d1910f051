#pragma once

namespace quilvane::faults {

// A seam for the tests of the file-replacing code: the next time the write
// reaches `step`, it fails with `error` (the platform's own error number: an
// errno value, or a Win32 error code on Windows) as if the system had said
// so. Nothing is injected unless a test asks.
enum class Step { CreateTemporary, Write, Sync, Close, Rename };

void FailNext(Step step, int error);
void Clear();

// The write path asks before each step: 0, or the error to fail with.
int Injected(Step step);

}  // namespace quilvane::faults
