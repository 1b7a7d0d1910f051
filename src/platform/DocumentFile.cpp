#include "platform/DocumentFile.hpp"

#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "platform/SystemFileLayer.hpp"

#include <new>
#include <stdexcept>

// What the file layer is on every system; each system's own side is in
// posix/ and win32/.
namespace quilvane {

std::uint64_t MemoryNeededFor(std::uint64_t size)
{
    return size + size / 10 + (64u << 20);
}

std::optional<FileError> ReserveDocument(std::string& bytes, const std::filesystem::path& path, std::uint64_t size,
                                         std::uint64_t available)
{
    if (available && MemoryNeededFor(size) > available) {
        return FileError{path, FileRefusal::TooLarge};
    }
    try {
        bytes.reserve(static_cast<std::size_t>(size) + kDocumentGrowth);
    } catch (const std::bad_alloc&) {
        return FileError{path, FileRefusal::TooLarge};
    } catch (const std::length_error&) {
        return FileError{path, FileRefusal::TooLarge};
    }
    return std::nullopt;
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
        [&] {
            const std::string_view stretch = rest.substr(0, kStretch);
            rest.remove_prefix(stretch.size());
            return stretch;
        },
        options);
}

}  // namespace quilvane
