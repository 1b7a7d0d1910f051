#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quilvane {

// A document is the bytes of its code-page-936 (GBK) form, exactly as they
// are on disk; it is never converted to Unicode on its way from the file back
// to the file.
//
// The bytes are cut into characters like this, for every input, valid GBK or
// not: a byte 0x81..0xFF takes the next byte with it (when there is one), any
// other byte stands alone. A character's code is its byte value (one byte) or
// lead * 256 + trail read as a signed 16-bit number (two bytes).

// Called now and then during a long transform with the bytes done so far.
using ShiftProgress = std::function<void(std::size_t done)>;

// Replaces every character by the character whose code lies `delta` away:
// a sum 0..255 is written as one byte, anything else modulo 65536 as two
// bytes, high byte first. Encryption uses delta = -shift, decryption +shift.
std::string ShiftText(std::string_view text, int delta);

// The same into `out` (replacing its content), reusing its storage: no
// allocation when it is already large enough. `out` must not alias `text`.
void ShiftTextInto(std::string_view text, int delta, std::string& out);

// The same in place: no second copy of the text unless a character changes
// its length (a NUL under encryption, say); then the rest is rebuilt.
void ShiftInPlace(std::string& text, int delta, const ShiftProgress& progress = {});

// Shifts in place only if the change can be undone, in one pass: true when
// shifted; false, with the text as it was, when it could not come back.
bool ShiftInPlaceIfComesBack(std::string& text, int delta, const ShiftProgress& progress = {});

// True exactly when ShiftText(ShiftText(text, delta), -delta) == text, that
// is when the change can be undone by the opposite action. Needs no copy.
bool ShiftComesBack(std::string_view text, int delta, const ShiftProgress& progress = {});

// What a shift would do to a text, found in one pass that changes nothing.
struct ShiftCheck {
    bool comesBack = true;    // as ShiftComesBack
    bool keepsLength = true;  // no character changes its length: the text may be shifted a stretch at a time
};
ShiftCheck CheckShift(std::string_view text, int delta, const ShiftProgress& progress = {});

// The same for a part of a longer text that starts and ends at character
// boundaries and is not its end: more of the text follows it.
ShiftCheck CheckShiftOfPart(std::string_view part, int delta);

// Check and shift of such a part (or, `last`, of the text's end) in one pass
// over it, in place: false as soon as a character would not come back (the
// part is then partly shifted). `shifted` tells how far it was shifted: all
// of it, or up to the first character that changes its length, from where
// the rest is left for a shift into other memory.
bool ShiftPartInPlaceIfComesBack(char* part, std::size_t size, int delta, bool last, std::size_t& shifted);

// For a text that keeps its length under the shift: shifts in place the
// characters from `begin` (a character boundary) until at least `want` bytes
// are done or the text ends, and returns where it stopped, always a
// character boundary (a lead byte takes its trail along). Shifting the same
// stretch back by -delta restores it, when the text comes back.
std::size_t ShiftStretchInPlace(char* text, std::size_t size, std::size_t begin, std::size_t want, int delta);

namespace detail {

// The bulk of the work is done on 64-byte windows by the fastest kernel the
// processor has; the others stay for the equivalence tests.
enum class Kernel { Portable, Avx2 };
bool KernelAvailable(Kernel kernel);
Kernel BestKernel();

void ShiftTextUsing(Kernel kernel, std::string_view text, int delta, std::string& out);
void ShiftInPlaceUsing(Kernel kernel, std::string& text, int delta, const ShiftProgress& progress);
bool ShiftComesBackUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress);
ShiftCheck CheckShiftUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress);
// The same in two parts checked at once, split at a character boundary
// found from the middle on; in one part when none is near.
ShiftCheck CheckShiftInPartsUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress);
// The first character boundary after `from` that a byte below 0x81 shows,
// searched over a short distance; npos when there is none.
std::size_t PartBoundary(std::string_view text, std::size_t from);
std::size_t ShiftStretchInPlaceUsing(Kernel kernel, char* text, std::size_t size, std::size_t begin,
                                     std::size_t want, int delta);
bool ShiftInPlaceIfComesBackUsing(Kernel kernel, std::string& text, int delta, const ShiftProgress& progress);

// For a window that starts at a character boundary, with bit i set when byte
// i is 0x81 or above: the bits of the bytes that are trail bytes.
std::uint64_t TrailBits(std::uint64_t high);

}  // namespace detail
}  // namespace quilvane
