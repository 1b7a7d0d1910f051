#include "platform/DocumentFile.hpp"

// What the file layer is on every system; each system's own side is in
// posix/ and win32/.
namespace quilvane {

std::uint64_t MemoryNeededFor(std::uint64_t size)
{
    return size + size / 10 + (64u << 20);
}

Replaced ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes, const ReplaceOptions& options)
{
    // Handed over in stretches, so that progress is told as they are written.
    constexpr std::size_t kStretch = 8u << 20;
    std::string_view rest = bytes;
    return ReplaceFileContentFrom(
        path, bytes.size(),
        [&] {
            const std::string_view stretch = rest.substr(0, kStretch);
            rest.remove_prefix(stretch.size());
            return stretch;
        },
        options);
}

}  // namespace quilvane
