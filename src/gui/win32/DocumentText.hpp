#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quilvane::win32 {

// How much of a document the view shows; the actions always work on all of
// it. Rich Edit lays out and takes out text slowly under Wine (a megabyte
// held the window for minutes, 64 KiB for a quarter of a second or more):
// 4 KiB, a page or two, is shown within a tenth of a second, however the
// text is made (long lines of Latin letters are the slowest).
inline constexpr std::size_t kDisplayLimit = 4u << 10;

// The document's bytes as the Windows document view shows them: decoded as
// code page 936 (MultiByteToWideChar), a NUL as a visible sign, and for a
// large document only its beginning, cut between whole characters, with a
// note. The bytes themselves are not touched.
std::wstring DocumentText(std::string_view bytes, std::size_t limit = kDisplayLimit);

}  // namespace quilvane::win32
