#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quilvane {

// Paths and the program's UTF-8 texts meet only here. A path built from a
// plain std::string is read in the system's narrow encoding, which on Windows
// is not UTF-8: Chinese names would be garbled.
inline std::string PathToUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

inline std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace quilvane
