#pragma once

#include <QString>

#include <cstddef>
#include <string_view>

namespace quilvane {

// How much of a document the view shows; the actions always work on all of it.
inline constexpr std::size_t kDisplayLimit = 1u << 20;

// The document's bytes as the view shows them: decoded from GBK (a byte that
// does not decode shows as a replacement character), line ends as line
// breaks, and for a large document only its beginning, with a note.
QString DisplayText(std::string_view bytes, std::size_t limit = kDisplayLimit);

}  // namespace quilvane
