#include "transform/ShiftText.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace quilvane {
namespace {

using Byte = unsigned char;

constexpr bool TakesTrail(Byte b) { return b >= 0x81; }

// Writes char(n) to out, returns its length (1 or 2).
inline std::size_t EncodeCode(std::int64_t n, Byte* out)
{
    if (n >= 0 && n <= 255) {
        out[0] = static_cast<Byte>(n);
        return 1;
    }
    const auto wrapped = static_cast<std::uint16_t>(static_cast<std::uint64_t>(n));
    out[0] = static_cast<Byte>(wrapped >> 8);
    out[1] = static_cast<Byte>(wrapped & 0xFF);
    return 2;
}

inline std::int64_t PairCode(Byte lead, Byte trail)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((lead << 8) | trail));
}

// Length of the character starting at text[i] (1 or 2).
inline std::size_t CharLength(const Byte* text, std::size_t i, std::size_t size)
{
    return (TakesTrail(text[i]) && i + 1 < size) ? 2 : 1;
}

inline std::int64_t CharCode(const Byte* c, std::size_t length)
{
    return length == 1 ? c[0] : PairCode(c[0], c[1]);
}

// Blocks of kBlock bytes that are all plain one-byte characters, or all
// double-byte characters whose trail does not carry, are shifted and checked
// in bulk; everything else goes character by character for kStep bytes
// before the next block is tried.
constexpr std::size_t kBlock = 32;
constexpr std::size_t kStep = 8;

struct BulkRule {
    bool usable = false;
    Byte low = 0;
    Byte high = 0;
};

struct BulkRules {
    BulkRule single;  // every byte stands alone and stays a lone byte
    BulkRule pairs;   // every byte is >= 0x81, trails move without a carry
    BulkRule trail;   // a trail byte that moves without a carry

    explicit BulkRules(int deltaIn)
    {
        const std::int64_t d = deltaIn;  // -INT_MIN must not overflow
        // One-byte character b: b + d must stay in 0..0x80 so it is still read
        // as one byte.
        const std::int64_t singleLow = std::max<std::int64_t>(0, -d);
        const std::int64_t singleHigh = std::min<std::int64_t>(0x80, 0x80 - d);
        if (singleLow <= singleHigh) {
            single = {true, static_cast<Byte>(singleLow), static_cast<Byte>(singleHigh)};
        }
        // Pair L T: L stays, T + d must stay in 0..255.
        const std::int64_t pairLow = std::max<std::int64_t>(0x81, -d);
        const std::int64_t pairHigh = std::min<std::int64_t>(0xFF, 0xFF - d);
        if (pairLow <= pairHigh) {
            pairs = {true, static_cast<Byte>(pairLow), static_cast<Byte>(pairHigh)};
        }
        const std::int64_t trailLow = std::max<std::int64_t>(0, -d);
        const std::int64_t trailHigh = std::min<std::int64_t>(0xFF, 0xFF - d);
        if (trailLow <= trailHigh) {
            trail = {true, static_cast<Byte>(trailLow), static_cast<Byte>(trailHigh)};
        }
    }
};

inline bool Within(Byte b, const BulkRule& rule)
{
    return rule.usable && static_cast<Byte>(b - rule.low) <= static_cast<Byte>(rule.high - rule.low);
}

// The common characters of a mixed stretch: a lone byte or a pair whose
// trail moves without a carry. Both come back and keep their length.
inline bool IsPlainCharacter(const Byte* c, std::size_t length, const BulkRules& rules)
{
    return length == 1 ? Within(c[0], rules.single) : Within(c[1], rules.trail);
}

inline bool AllWithin(const Byte* p, const BulkRule& rule)
{
    if (!rule.usable) {
        return false;
    }
    const Byte span = static_cast<Byte>(rule.high - rule.low);
    Byte outside = 0;
    for (std::size_t k = 0; k < kBlock; ++k) {
        outside |= static_cast<Byte>(static_cast<Byte>(p[k] - rule.low) > span);
    }
    return outside == 0;
}

inline void AddToAll(const Byte* in, Byte* out, int delta)
{
    const auto d = static_cast<Byte>(delta);
    for (std::size_t k = 0; k < kBlock; ++k) {
        out[k] = static_cast<Byte>(in[k] + d);
    }
}

inline void AddToTrails(const Byte* in, Byte* out, int delta)
{
    // A mask rather than a test on k keeps the loop vectorisable.
    static constexpr auto kTrails = [] {
        std::array<Byte, kBlock> mask{};
        for (std::size_t k = 1; k < kBlock; k += 2) {
            mask[k] = 0xFF;
        }
        return mask;
    }();
    const auto d = static_cast<Byte>(delta);
    for (std::size_t k = 0; k < kBlock; ++k) {
        out[k] = static_cast<Byte>(in[k] + (d & kTrails[k]));
    }
}

enum class BlockKind { Mixed, Single, Pairs };

inline BlockKind Classify(const Byte* p, const BulkRules& rules)
{
    if (AllWithin(p, rules.single)) {
        return BlockKind::Single;
    }
    if (AllWithin(p, rules.pairs)) {
        return BlockKind::Pairs;
    }
    return BlockKind::Mixed;
}

// Round trip of one character, given whether it is the last of the text.
bool CharComesBack(const Byte* c, std::size_t length, bool last, std::int64_t delta)
{
    Byte shifted[2];
    const std::size_t shiftedLength = EncodeCode(CharCode(c, length) + delta, shifted);
    // The shifted character must be read back as the same unit.
    if (shiftedLength == 1 && TakesTrail(shifted[0]) && !last) {
        return false;
    }
    if (shiftedLength == 2 && !TakesTrail(shifted[0])) {
        return false;
    }
    Byte back[2];
    const std::size_t backLength = EncodeCode(CharCode(shifted, shiftedLength) - delta, back);
    return backLength == length && std::equal(c, c + length, back);
}

}  // namespace

std::string ShiftText(std::string_view text, int delta)
{
    std::string out;
    ShiftTextInto(text, delta, out);
    return out;
}

void ShiftTextInto(std::string_view text, int delta, std::string& out)
{
    const auto* in = reinterpret_cast<const Byte*>(text.data());
    const std::size_t size = text.size();
    const BulkRules rules(delta);

    // Output goes through a small stack buffer: no zero-fill of a large result,
    // one amortised append per chunk. A chunk may run past kChunk by one block
    // and one character, and a character grows by at most one byte.
    constexpr std::size_t kChunk = 4096;
    Byte chunk[2 * (kChunk + kBlock + 2)];

    out.clear();
    out.reserve(size + size / 64 + 16);
    std::size_t i = 0;
    while (i < size) {
        const std::size_t chunkEnd = std::min(size, i + kChunk);
        std::size_t produced = 0;
        while (i < chunkEnd) {
            if (size - i >= kBlock) {
                switch (Classify(in + i, rules)) {
                case BlockKind::Single:
                    AddToAll(in + i, chunk + produced, delta);
                    i += kBlock;
                    produced += kBlock;
                    continue;
                case BlockKind::Pairs:
                    AddToTrails(in + i, chunk + produced, delta);
                    i += kBlock;
                    produced += kBlock;
                    continue;
                case BlockKind::Mixed:
                    break;
                }
            }
            const std::size_t stop = std::min(size, i + kStep);
            while (i < stop) {
                const std::size_t length = CharLength(in, i, size);
                if (IsPlainCharacter(in + i, length, rules)) {
                    chunk[produced] = in[i];
                    chunk[produced + length - 1] = static_cast<Byte>(in[i + length - 1] + delta);
                    produced += length;
                } else {
                    produced += EncodeCode(CharCode(in + i, length) + delta, chunk + produced);
                }
                i += length;
            }
        }
        out.append(reinterpret_cast<const char*>(chunk), produced);
    }
}

bool ShiftComesBack(std::string_view text, int delta)
{
    const auto* in = reinterpret_cast<const Byte*>(text.data());
    const std::size_t size = text.size();
    const BulkRules rules(delta);

    std::size_t i = 0;
    while (i < size) {
        if (size - i >= kBlock && Classify(in + i, rules) != BlockKind::Mixed) {
            i += kBlock;
            continue;
        }
        const std::size_t stop = std::min(size, i + kStep);
        while (i < stop) {
            const std::size_t length = CharLength(in, i, size);
            if (!IsPlainCharacter(in + i, length, rules) &&
                !CharComesBack(in + i, length, i + length == size, delta)) {
                return false;
            }
            i += length;
        }
    }
    return true;
}

}  // namespace quilvane
