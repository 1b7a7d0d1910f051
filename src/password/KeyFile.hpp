#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quilvane {

// The key file carries the key digit from a password step to a file step.
// Its one line must stay byte-exact: files written by the earlier Windows
// version of the program are read here, and ours there.
inline constexpr std::string_view kKeyFileName = "temp.jxv";
inline constexpr std::string_view kKeyFileHeader = "This is a important file.Dont`t rewrite me!6,2,1,";

struct KeyFileError {
    enum class Kind {
        CannotWrite,   // could not create, write or close the file
        CannotRead,    // missing or unreadable
        TooFewFields,  // fewer than two comma-separated fields
        NotANumber,    // the second field is not a whole number that fits
    };
    Kind kind;
    std::filesystem::path path;
    std::error_code systemError;  // set for CannotWrite and CannotRead
};

struct KeyShift {
    std::int16_t shift = 0;              // valid when !error
    std::optional<KeyFileError> error;
};

std::filesystem::path KeyFilePath(const std::filesystem::path& directory);

// The exact bytes of the key file for a key digit: header, the digit printed
// as a number (sign position, digits, one blank), CR LF.
std::string KeyFileContent(std::int16_t keyDigit);

// Creates or replaces the key file in `directory`.
std::optional<KeyFileError> WriteKeyFile(const std::filesystem::path& directory, std::int16_t keyDigit);

// Reads the shift back: the second comma-separated field of the file. Because
// the header holds commas itself, that is the header's own "2", whatever
// digit was stored; files already encrypted rely on exactly that.
KeyShift ReadKeyShift(const std::filesystem::path& directory);

// The reading rule on its own, for content already in memory.
KeyShift ParseKeyShift(std::string_view content, const std::filesystem::path& path);

}  // namespace quilvane
