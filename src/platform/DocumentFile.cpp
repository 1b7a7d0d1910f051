#include "platform/DocumentFile.hpp"

#include "platform/SystemErrors.hpp"
#include "platform/SystemFileLayer.hpp"

// What the file layer is on every system; each system's own side is in
// posix/ and win32/.
namespace quilvane {

LoadedDocument ReadDocumentStart(const std::filesystem::path& path, std::size_t limit)
{
    OpenedSource opened = OpenDocumentSource(path);
    if (opened.error) {
        return {{}, {}, opened.error};
    }
    LoadedDocument loaded{std::string(limit, '\0'), opened.source->stamp(), std::nullopt};
    std::size_t filled = 0;
    while (filled < limit) {
        std::error_code error;
        const std::size_t got = opened.source->read(loaded.bytes.data() + filled, limit - filled, error);
        if (error) {
            return {{}, {}, FileError{path, error}};
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    loaded.bytes.resize(filled);
    return loaded;
}

Replaced ReplaceFileContentFrom(const std::filesystem::path& path, std::uint64_t size,
                                const ContentStretches& stretches, const ReplaceOptions& options)
{
    try {
        return detail::ReplaceOnThisSystem(path, size, stretches, options);
    } catch (...) {
        return {FileError{path, CurrentExceptionError()}, {}};
    }
}

Replaced ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes, const ReplaceOptions& options)
{
    // Handed over in stretches, so that progress is told as they are written.
    constexpr std::size_t kStretch = 8u << 20;
    std::string_view rest = bytes;
    return ReplaceFileContentFrom(
        path, bytes.size(),
        [&](std::string_view& stretch) {
            stretch = rest.substr(0, kStretch);
            rest.remove_prefix(stretch.size());
            return true;
        },
        options);
}

}  // namespace quilvane
