#include "transform/ShiftedWrite.hpp"

#include <string_view>

namespace quilvane {
namespace {

// Small enough that a stretch is still in the cache when the writer copies
// it, large enough that handing it over costs nothing.
constexpr std::size_t kStretch = 1u << 20;

}  // namespace

ShiftedWrite WriteShifted(std::string& document, int delta, const std::filesystem::path& path,
                          const ReplaceOptions& options, const ShiftProgress& checking)
{
    const ShiftCheck check = CheckShift(document, delta, checking);
    if (!check.comesBack) {
        return {};
    }
    if (!check.keepsLength) {
        // A character changes its length (a NUL under encryption, say): the
        // rest of the text moves, so it is shifted whole before the write.
        ShiftInPlace(document, delta);
        const Replaced replaced = ReplaceFileContent(path, document, options);
        if (!replaced.contentReplaced) {
            ShiftInPlace(document, -delta);
        }
        return {true, replaced};
    }

    std::size_t shifted = 0;
    const Replaced replaced = ReplaceFileContentFrom(path, document.size(), [&] {
        const std::size_t begin = shifted;
        shifted = ShiftStretchInPlace(document.data(), document.size(), begin, kStretch, delta);
        return std::string_view(document).substr(begin, shifted - begin);
    }, options);
    if (!replaced.contentReplaced) {
        // What was shifted comes back, character for character, in place.
        ShiftStretchInPlace(document.data(), document.size(), 0, shifted, -delta);
    }
    return {true, replaced};
}

}  // namespace quilvane
