#include "password/KeyFile.hpp"

#include "platform/DocumentFile.hpp"
#include "platform/FileAccess.hpp"

#include <charconv>

namespace quilvane {
namespace {

// Only the first two fields are read; a key file longer than this is damaged
// beyond what the reader needs to look at.
constexpr std::size_t kMaxKeyFileBytes = 64 * 1024;

// Reads comma-separated fields by the sequential-input rules of the earlier
// platform: leading blanks skipped, a quoted field runs to its closing quote,
// an unquoted one to a comma or the end of the line; the comma is consumed.
class FieldReader {
public:
    explicit FieldReader(std::string_view data) : data_(data) {}

    std::optional<std::string_view> next()
    {
        while (pos_ < data_.size() && (data_[pos_] == ' ' || data_[pos_] == '\t')) {
            ++pos_;
        }
        if (pos_ >= data_.size()) {
            return std::nullopt;
        }
        std::string_view field;
        if (data_[pos_] == '"') {
            const std::size_t start = pos_ + 1;
            const std::size_t close = data_.find('"', start);
            const std::size_t end = close == std::string_view::npos ? data_.size() : close;
            field = data_.substr(start, end - start);
            pos_ = end == data_.size() ? end : end + 1;
            skipToDelimiter();
        } else {
            const std::size_t start = pos_;
            skipToDelimiter();
            field = data_.substr(start, fieldEnd_ - start);
        }
        return field;
    }

private:
    // Moves past the next comma or line end; remembers where the field ended.
    void skipToDelimiter()
    {
        while (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\r' && data_[pos_] != '\n') {
            ++pos_;
        }
        fieldEnd_ = pos_;
        if (pos_ >= data_.size()) {
            return;
        }
        if (data_[pos_] == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n') {
            ++pos_;
        }
        ++pos_;
    }

    std::string_view data_;
    std::size_t pos_ = 0;
    std::size_t fieldEnd_ = 0;
};

std::optional<std::int16_t> WholeNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;  // one sign only
        }
    }
    std::int16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::filesystem::path KeyFilePath(const std::filesystem::path& directory)
{
    return directory / kKeyFileName;
}

std::string KeyFileContent(std::int16_t keyDigit)
{
    std::string line(kKeyFileHeader);
    line += keyDigit < 0 ? "" : " ";  // a negative number brings its own sign
    line += std::to_string(keyDigit);
    line += " \r\n";
    return line;
}

std::optional<KeyFileError> WriteKeyFile(const std::filesystem::path& directory, std::int16_t keyDigit)
{
    const auto path = KeyFilePath(directory);
    ReplaceOptions options;
    options.createIfMissing = true;
    options.followLinks = false;
    const Replaced replaced = ReplaceFileContent(path, KeyFileContent(keyDigit), options);
    if (replaced.error) {
        return KeyFileError{KeyFileError::Kind::CannotWrite, path, replaced.error->error};
    }
    return std::nullopt;
}

KeyShift ParseKeyShift(std::string_view content, const std::filesystem::path& path)
{
    FieldReader fields(content);
    const auto header = fields.next();
    const auto second = header ? fields.next() : std::nullopt;
    if (!second) {
        return {0, KeyFileError{KeyFileError::Kind::TooFewFields, path, {}}};
    }
    const auto shift = WholeNumber(*second);
    if (!shift) {
        return {0, KeyFileError{KeyFileError::Kind::NotANumber, path, {}}};
    }
    return {*shift, std::nullopt};
}

KeyShift ReadKeyShift(const std::filesystem::path& directory)
{
    const auto path = KeyFilePath(directory);
    std::string content;
    if (const std::error_code error = ReadFileStart(path, kMaxKeyFileBytes, content)) {
        return {0, KeyFileError{KeyFileError::Kind::CannotRead, path, error}};
    }
    return ParseKeyShift(content, path);
}

}  // namespace quilvane
