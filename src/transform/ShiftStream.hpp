#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quilvane {

// The shift of a text that arrives a stretch at a time, as a file is read:
// byte for byte what ShiftText gives for the whole text, and the same
// verdict as CheckShift on whether it comes back, whatever the sizes of the
// stretches. The last character of each stretch waits for the next one: it
// may be cut by the stretch's end, or be the last of the text, which the
// check tells apart. Memory: one stretch, and its shifted copy where a
// character changes its length.
class ShiftStream {
public:
    struct Options {
        int delta = 0;
        // Refuse, and take nothing more, once a character would not come
        // back under the opposite shift.
        bool checked = true;
        // A line end (CR LF) at the very end of the text is taken off before
        // the shift, as decryption does with the one encryption added.
        bool dropLineEnd = false;
        std::size_t stretch = std::size_t{1} << 20;
    };

    explicit ShiftStream(const Options& options);

    // Where the next stretch goes, with room for capacity() bytes.
    char* room();
    std::size_t capacity() const { return options_.stretch; }

    // Shifts the `got` bytes that came into room(): gives the shifted whole
    // characters it can give yet, valid until the next call. Nothing, and
    // refused(), once a character would not come back.
    std::string_view take(std::size_t got);
    // The end of the text: what was still held, shifted.
    std::string_view finish();

    bool refused() const { return refused_; }

private:
    std::string_view shift(std::size_t length, bool last);

    Options options_;
    std::vector<char> buffer_;
    std::string out_;
    std::size_t held_ = 0;       // bytes held back at the front of the buffer
    std::size_t heldFrom_ = 0;   // where they still lie after a take()
    bool refused_ = false;
};

namespace detail {
// Where the last character of `bytes` (which start at a character boundary)
// starts; a lead byte at the very end counts as a character of its own.
std::size_t LastCharacterStart(std::string_view bytes);
}  // namespace detail

}  // namespace quilvane
