#include "transform/ShiftStream.hpp"

#include "transform/ShiftText.hpp"

#include <cstring>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
// The last character and, when a line end may be taken off, two bytes more.
constexpr std::size_t kMostHeld = 4;

bool High(char c) { return static_cast<unsigned char>(c) >= 0x81; }

// The first byte of the run of bytes 0x81 and above that ends at `last`.
// After a lower byte a character always starts: it is never a lead.
std::size_t HighRunStart(std::string_view bytes, std::size_t last)
{
    std::size_t start = last;
    while (start > 0 && High(bytes[start - 1])) {
        --start;
    }
    return start;
}

}  // namespace

namespace detail {

std::size_t LastCharacterStart(std::string_view bytes)
{
    const std::size_t last = bytes.size() - 1;
    if (High(bytes[last])) {
        // In a run of high bytes the characters pair up from its start.
        const std::size_t run = HighRunStart(bytes, last);
        return (last - run) % 2 == 0 ? last : last - 1;
    }
    if (last == 0 || !High(bytes[last - 1])) {
        return last;
    }
    const std::size_t run = HighRunStart(bytes, last - 1);
    return (last - 1 - run) % 2 == 0 ? last - 1 : last;  // a lead takes the low byte as its trail
}

}  // namespace detail

ShiftStream::ShiftStream(const Options& options) : options_(options), buffer_(options.stretch + kMostHeld) {}

char* ShiftStream::room()
{
    if (heldFrom_ != 0) {
        std::memmove(buffer_.data(), buffer_.data() + heldFrom_, held_);
        heldFrom_ = 0;
    }
    return buffer_.data() + held_;
}

std::string_view ShiftStream::take(std::size_t got)
{
    if (refused_) {
        return {};
    }
    room();  // the held bytes at the front, should room() not have been asked
    const std::size_t size = held_ + got;
    const std::size_t lineEnd = options_.dropLineEnd ? kLineEnd.size() : 0;
    if (size <= lineEnd) {
        held_ = size;
        return {};
    }
    const std::size_t whole = detail::LastCharacterStart(std::string_view(buffer_.data(), size - lineEnd));
    held_ = size - whole;
    heldFrom_ = whole;
    return shift(whole, false);
}

std::string_view ShiftStream::finish()
{
    if (refused_) {
        return {};
    }
    room();
    std::size_t size = held_;
    held_ = 0;
    if (options_.dropLineEnd && std::string_view(buffer_.data(), size).ends_with(kLineEnd)) {
        size -= kLineEnd.size();
    }
    return shift(size, true);
}

std::string_view ShiftStream::shift(std::size_t length, bool last)
{
    const std::string_view text(buffer_.data(), length);
    if (length == 0 || options_.delta == 0) {
        return text;
    }
    if (!options_.checked) {
        ShiftTextInto(text, options_.delta, out_);
        return out_;
    }
    // Checked and shifted in one pass where it lies; where a character
    // changes its length, the rest goes into other memory.
    std::size_t inPlace = 0;
    if (!ShiftPartInPlaceIfComesBack(buffer_.data(), length, options_.delta, last, inPlace)) {
        refused_ = true;
        return {};
    }
    if (inPlace == length) {
        return text;
    }
    ShiftTextInto(text.substr(inPlace), options_.delta, out_);
    out_.insert(0, text.substr(0, inPlace));
    return out_;
}

}  // namespace quilvane
