#pragma once

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

// Replaces every character by the character whose code lies `delta` away:
// a sum 0..255 is written as one byte, anything else modulo 65536 as two
// bytes, high byte first. Encryption uses delta = -shift, decryption +shift.
std::string ShiftText(std::string_view text, int delta);

// The same into `out` (replacing its content), reusing its storage: no
// allocation when it is already large enough. `out` must not alias `text`.
void ShiftTextInto(std::string_view text, int delta, std::string& out);

// True exactly when ShiftText(ShiftText(text, delta), -delta) == text, that
// is when the change can be undone by the opposite action. Needs no copy.
bool ShiftComesBack(std::string_view text, int delta);

}  // namespace quilvane
