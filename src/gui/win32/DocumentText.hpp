#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quilvane::win32 {

// How much of a document the view shows; the actions always work on all of
// it. Rich Edit lays out and takes out text slowly under Wine (a megabyte
// held the window for minutes, 64 KiB for a quarter of a second or more,
// long lines of Latin letters and many short lines being the slowest):
// 2 KiB, some thousand Chinese characters, is shown within about a tenth of
// a second however the text is made.
inline constexpr std::size_t kDisplayLimit = 2u << 10;

// The document's bytes as the Windows document view shows them, by the
// Linux view's rule: valid UTF-8 (with or without a byte-order mark, which
// is not shown) decoded as UTF-8, anything else as code page 936
// (MultiByteToWideChar); a NUL as a visible sign, and for a
// large document only its beginning, cut between whole characters, with a
// note (also when `more`: the bytes are only the beginning of a larger
// document). The bytes themselves are not touched.
std::wstring DocumentText(std::string_view bytes, std::size_t limit = kDisplayLimit, bool more = false);

}  // namespace quilvane::win32
