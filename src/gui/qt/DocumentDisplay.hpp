#pragma once

#include "platform/Document.hpp"

#include <QString>

#include <cstddef>
#include <string_view>

namespace quilvane {

// How much of a document the view shows; the actions always work on all of it.
inline constexpr std::size_t kDisplayLimit = kExcerptLimit;

// The document's bytes as the view shows them: decoded from UTF-8 when they
// are UTF-8 and not plain ASCII (without a byte-order mark), otherwise from
// GBK (a byte that does not decode shows as a replacement character); line
// ends as line breaks; for a large document only its beginning, with a note.
// Only the showing changes: the bytes worked on are the file's. `more`: the
// bytes are only the beginning of a larger document.
QString DisplayText(std::string_view bytes, std::size_t limit = kDisplayLimit, bool more = false);

}  // namespace quilvane
