#include "transform/ShiftText.hpp"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILVANE_HAVE_AVX2_KERNEL 1
#endif

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

// Length of the character starting at text[i] (1 or 2).
inline std::size_t CharLength(const Byte* text, std::size_t i, std::size_t size)
{
    return (TakesTrail(text[i]) && i + 1 < size) ? 2 : 1;
}

inline std::int64_t CharCode(const Byte* c, std::size_t length)
{
    if (length == 1) {
        return c[0];
    }
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((c[0] << 8) | c[1]));
}

struct Range {
    bool usable = false;
    Byte low = 0;
    Byte high = 0;

    Range(std::int64_t from, std::int64_t to)
    {
        if (from <= to) {
            usable = true;
            low = static_cast<Byte>(from);
            high = static_cast<Byte>(to);
        }
    }
    bool contains(Byte b) const
    {
        return usable && static_cast<Byte>(b - low) <= static_cast<Byte>(high - low);
    }
};

// The bytes for which the shift is a plain addition that keeps every
// character's length and comes back under the opposite shift.
struct Rules {
    int delta;
    Range single;  // a lone byte b: b + delta stays in 0..0x80, still read alone
    Range trail;   // a trail byte t: t + delta stays in 0..255, no carry into the lead

    explicit Rules(int d)
        : delta(d),
          single(std::max<std::int64_t>(0, -std::int64_t{d}), std::min<std::int64_t>(0x80, 0x80 - std::int64_t{d})),
          trail(std::max<std::int64_t>(0, -std::int64_t{d}), std::min<std::int64_t>(0xFF, 0xFF - std::int64_t{d}))
    {
    }
};

inline bool IsPlainCharacter(const Byte* c, std::size_t length, const Rules& rules)
{
    return length == 1 ? rules.single.contains(c[0]) : rules.trail.contains(c[1]);
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

// ---------------------------------------------------------------------------
// Windows of 64 bytes. A window starts at a character boundary; from its
// bitmask of high bytes follow its trail bytes, leads and lone bytes. When
// every lone byte and trail is plain, the whole window is shifted by adding
// delta to every byte but the leads. Otherwise the window is good up to the
// character holding the first byte that is not plain.

constexpr std::size_t kWindow = 64;

struct WindowMasks {
    std::uint64_t high;
    std::uint64_t singleOk;
    std::uint64_t trailOk;
};

struct WindowVerdict {
    std::uint64_t leads;
    std::size_t advance;  // bytes done; the window is clean when it is kWindow or kWindow - 1
    bool clean;
};

inline WindowVerdict Judge(const WindowMasks& m)
{
    if (m.high == 0 && ~m.singleOk == 0) {
        return {0, kWindow, true};  // plain one-byte text, the common case
    }
    const std::uint64_t trails = detail::TrailBits(m.high);
    const std::uint64_t leads = m.high & ~trails;
    const std::uint64_t singles = ~m.high & ~trails;
    const std::uint64_t bad = (singles & ~m.singleOk) | (trails & ~m.trailOk);
    if (bad == 0) {
        // A lead in the last byte takes its trail from the next window, which
        // starts at that lead instead.
        return {leads, kWindow - static_cast<std::size_t>(leads >> 63), true};
    }
    const int first = __builtin_ctzll(bad);
    const std::size_t start = ((trails >> first) & 1) ? static_cast<std::size_t>(first - 1)
                                                       : static_cast<std::size_t>(first);
    return {leads, start, false};
}

// Shifts (or, with out == nullptr, only checks) whole windows from `in`,
// writing the shifted bytes to `out` (which may be `in`). Returns the bytes
// done, always ending at a character boundary.
std::size_t WindowsPortable(const Byte* in, std::size_t available, Byte* out, const Rules& rules)
{
    std::size_t done = 0;
    while (available - done >= kWindow) {
        const Byte* window = in + done;
        WindowMasks masks{0, 0, 0};
        for (std::size_t k = 0; k < kWindow; ++k) {
            const Byte b = window[k];
            masks.high |= std::uint64_t{TakesTrail(b)} << k;
            masks.singleOk |= std::uint64_t{rules.single.contains(b)} << k;
            masks.trailOk |= std::uint64_t{rules.trail.contains(b)} << k;
        }
        const WindowVerdict verdict = Judge(masks);
        if (out) {
            const auto d = static_cast<Byte>(rules.delta);
            Byte shifted[kWindow];
            for (std::size_t k = 0; k < kWindow; ++k) {
                shifted[k] = static_cast<Byte>(window[k] + (((verdict.leads >> k) & 1) ? Byte{0} : d));
            }
            std::memcpy(out + done, shifted, verdict.advance);
        }
        done += verdict.advance;
        if (!verdict.clean) {
            break;
        }
    }
    return done;
}

#ifdef QUILVANE_HAVE_AVX2_KERNEL

__attribute__((target("avx2"))) inline std::uint32_t InRange(__m256i bytes, __m256i low, __m256i span)
{
    const __m256i offset = _mm256_sub_epi8(bytes, low);
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(offset, span), offset)));
}

__attribute__((target("avx2"))) inline std::uint32_t AtLeast(__m256i bytes, __m256i low)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(bytes, low), bytes)));
}

// 32 bits to 32 bytes: 0xFF where the bit is set.
__attribute__((target("avx2"))) inline __m256i ExpandBits(std::uint32_t bits)
{
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1,  //
                                            2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
    const __m256i select = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201ULL));
    const __m256i copied = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(bits)), spread);
    return _mm256_cmpeq_epi8(_mm256_and_si256(copied, select), select);
}

__attribute__((target("avx2"))) std::size_t WindowsAvx2(const Byte* in, std::size_t available, Byte* out,
                                                        const Rules& rules)
{
    const __m256i leadLow = _mm256_set1_epi8(static_cast<char>(0x81));
    const __m256i singleLow = _mm256_set1_epi8(static_cast<char>(rules.single.low));
    const __m256i singleSpan = _mm256_set1_epi8(static_cast<char>(rules.single.high - rules.single.low));
    const __m256i trailLow = _mm256_set1_epi8(static_cast<char>(rules.trail.low));
    const __m256i trailSpan = _mm256_set1_epi8(static_cast<char>(rules.trail.high - rules.trail.low));
    const __m256i delta = _mm256_set1_epi8(static_cast<char>(rules.delta));
    const std::uint64_t singleUsable = rules.single.usable ? ~std::uint64_t{0} : 0;
    const std::uint64_t trailUsable = rules.trail.usable ? ~std::uint64_t{0} : 0;

    std::size_t done = 0;
    while (available - done >= kWindow) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + done + 32));
        const auto wide = [](std::uint32_t low, std::uint32_t high) {
            return std::uint64_t{low} | (std::uint64_t{high} << 32);
        };
        WindowMasks masks;
        masks.high = wide(AtLeast(a, leadLow), AtLeast(b, leadLow));
        masks.singleOk = wide(InRange(a, singleLow, singleSpan), InRange(b, singleLow, singleSpan)) & singleUsable;
        masks.trailOk = wide(InRange(a, trailLow, trailSpan), InRange(b, trailLow, trailSpan)) & trailUsable;
        const WindowVerdict verdict = Judge(masks);
        if (out) {
            const __m256i shiftedA =
                _mm256_add_epi8(a, _mm256_andnot_si256(ExpandBits(static_cast<std::uint32_t>(verdict.leads)), delta));
            const __m256i shiftedB = _mm256_add_epi8(
                b, _mm256_andnot_si256(ExpandBits(static_cast<std::uint32_t>(verdict.leads >> 32)), delta));
            // Out of place, bytes past a bad character are simply written
            // again later; in place they are input still to be read.
            if (verdict.clean || out != in) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done), shiftedA);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done + 32), shiftedB);
            } else {
                alignas(32) Byte shifted[kWindow];
                _mm256_store_si256(reinterpret_cast<__m256i*>(shifted), shiftedA);
                _mm256_store_si256(reinterpret_cast<__m256i*>(shifted + 32), shiftedB);
                std::memcpy(out + done, shifted, verdict.advance);
            }
        }
        done += verdict.advance;
        if (!verdict.clean) {
            break;
        }
    }
    return done;
}

#endif

using WindowsFunction = std::size_t (*)(const Byte*, std::size_t, Byte*, const Rules&);

WindowsFunction WindowsOf(detail::Kernel kernel)
{
#ifdef QUILVANE_HAVE_AVX2_KERNEL
    if (kernel == detail::Kernel::Avx2) {
        return &WindowsAvx2;
    }
#endif
    (void)kernel;
    return &WindowsPortable;
}

// Windows are run over slices of this size, so that progress is told.
constexpr std::size_t kSlice = 8u << 20;

inline std::size_t Slice(std::size_t remaining) { return std::min(remaining, kSlice); }

// Shifts whole characters where they lie, from `begin` to at least `end`,
// for a text known to keep its length (every character of it shifts plainly
// or comes back). Returns where it stopped: a character boundary.
std::size_t ShiftCharactersInPlace(Byte* bytes, std::size_t size, std::size_t begin, std::size_t end,
                                   const Rules& rules, WindowsFunction windows)
{
    std::size_t i = begin;
    while (i < end) {
        i += windows(bytes + i, end - i, bytes + i, rules);
        if (i >= end) {
            break;
        }
        const std::size_t length = CharLength(bytes, i, size);
        Byte shifted[2];
        EncodeCode(CharCode(bytes + i, length) + rules.delta, shifted);
        std::memcpy(bytes + i, shifted, length);
        i += length;
    }
    return i;
}

// Reports progress every so many bytes.
class ProgressTicker {
public:
    explicit ProgressTicker(const ShiftProgress& progress) : progress_(progress) {}
    void at(std::size_t done)
    {
        if (progress_ && done - last_ >= kEvery) {
            last_ = done;
            progress_(done);
        }
    }

private:
    static constexpr std::size_t kEvery = 16u << 20;
    const ShiftProgress& progress_;
    std::size_t last_ = 0;
};

// Checks a part of a text that starts at a character boundary; `continues`
// when more of the text follows it (its last character is then not the
// text's last).
ShiftCheck CheckPart(detail::Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress,
                     bool continues)
{
    const auto* in = reinterpret_cast<const Byte*>(text.data());
    const std::size_t size = text.size();
    const Rules rules(delta);
    const WindowsFunction windows = WindowsOf(kernel);
    ProgressTicker ticker(progress);

    ShiftCheck check;
    std::size_t i = 0;
    while (i < size) {
        i += windows(in + i, Slice(size - i), nullptr, rules);
        ticker.at(i);
        if (i >= size) {
            break;
        }
        const std::size_t length = CharLength(in, i, size);
        if (!IsPlainCharacter(in + i, length, rules)) {
            if (!CharComesBack(in + i, length, !continues && i + length == size, delta)) {
                check.comesBack = false;
                return check;
            }
            Byte shifted[2];
            check.keepsLength = check.keepsLength && EncodeCode(CharCode(in + i, length) + delta, shifted) == length;
        }
        i += length;
    }
    return check;
}

}  // namespace

namespace detail {

std::uint64_t TrailBits(std::uint64_t high)
{
    // A run of high bytes starts at a character boundary: its bytes at odd
    // distances from the run's start are trails, and so is the byte after a
    // run of odd length. Adding 1 at the start of each run that starts on an
    // odd bit flips the parity of the following bits for that run only.
    constexpr std::uint64_t kEven = 0x5555555555555555ULL;
    const std::uint64_t followsHigh = high << 1;
    const std::uint64_t oddStarts = high & ~kEven & ~followsHigh;
    const std::uint64_t evenSequences = oddStarts + high;
    const std::uint64_t invert = evenSequences << 1;
    return (kEven ^ invert) & followsHigh;
}

bool KernelAvailable(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Portable: return true;
    case Kernel::Avx2:
#ifdef QUILVANE_HAVE_AVX2_KERNEL
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

Kernel BestKernel()
{
    static const Kernel best = KernelAvailable(Kernel::Avx2) ? Kernel::Avx2 : Kernel::Portable;
    return best;
}

void ShiftTextUsing(Kernel kernel, std::string_view text, int delta, std::string& out)
{
    const auto* in = reinterpret_cast<const Byte*>(text.data());
    const std::size_t size = text.size();
    const Rules rules(delta);
    const WindowsFunction windows = WindowsOf(kernel);

    // Output goes through a small buffer: no zero-fill of a large result, one
    // append per chunk. A chunk may end one character past kChunk, and a
    // character grows by at most one byte.
    constexpr std::size_t kChunk = 8192;
    Byte chunk[2 * (kChunk + 2)];

    out.clear();
    out.reserve(size + size / 64 + 16);
    std::size_t i = 0;
    while (i < size) {
        const std::size_t chunkEnd = std::min(size, i + kChunk);
        std::size_t produced = 0;
        while (i < chunkEnd) {
            const std::size_t done = windows(in + i, chunkEnd - i, chunk + produced, rules);
            i += done;
            produced += done;
            if (i >= chunkEnd) {
                break;
            }
            const std::size_t length = CharLength(in, i, size);
            produced += EncodeCode(CharCode(in + i, length) + delta, chunk + produced);
            i += length;
        }
        out.append(reinterpret_cast<const char*>(chunk), produced);
    }
}

// Shifts in place; when `checked`, only if the whole text comes back,
// leaving it as it was otherwise.
bool ShiftInPlaceDriver(Kernel kernel, std::string& text, int delta, const ShiftProgress& progress, bool checked)
{
    auto* bytes = reinterpret_cast<Byte*>(text.data());
    const std::size_t size = text.size();
    const Rules rules(delta);
    const WindowsFunction windows = WindowsOf(kernel);
    ProgressTicker ticker(progress);
    // Puts back what was shifted so far: it comes back, with its length.
    const auto giveUp = [&](std::size_t done) {
        ShiftCharactersInPlace(bytes, done, 0, done, Rules(-delta), windows);
        return false;
    };

    std::size_t i = 0;
    while (i < size) {
        // A clean window both comes back and keeps its length.
        i += windows(bytes + i, Slice(size - i), bytes + i, rules);
        ticker.at(i);
        if (i >= size) {
            break;
        }
        const std::size_t length = CharLength(bytes, i, size);
        if (checked && !IsPlainCharacter(bytes + i, length, rules) &&
            !CharComesBack(bytes + i, length, i + length == size, delta)) {
            return giveUp(i);
        }
        Byte shifted[2];
        if (EncodeCode(CharCode(bytes + i, length) + delta, shifted) != length) {
            // From here on the text changes length: rebuild the rest (once
            // it is known to come back, when checked).
            const std::string_view rest = std::string_view(text).substr(i);
            if (checked && !ShiftComesBackUsing(kernel, rest, delta, {})) {
                return giveUp(i);
            }
            std::string shiftedRest;
            ShiftTextUsing(kernel, rest, delta, shiftedRest);
            text.resize(i);
            text += shiftedRest;
            return true;
        }
        std::memcpy(bytes + i, shifted, length);
        i += length;
    }
    return true;
}

void ShiftInPlaceUsing(Kernel kernel, std::string& text, int delta, const ShiftProgress& progress)
{
    ShiftInPlaceDriver(kernel, text, delta, progress, false);
}

bool ShiftInPlaceIfComesBackUsing(Kernel kernel, std::string& text, int delta, const ShiftProgress& progress)
{
    return ShiftInPlaceDriver(kernel, text, delta, progress, true);
}

bool ShiftComesBackUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress)
{
    return CheckShiftUsing(kernel, text, delta, progress).comesBack;
}

ShiftCheck CheckShiftUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress)
{
    return CheckPart(kernel, text, delta, progress, false);
}

std::size_t PartBoundary(std::string_view text, std::size_t from)
{
    // A byte below 0x81 ends a character, whether it stands alone or is a
    // trail; text files have line ends often enough.
    constexpr std::size_t kSearch = 1u << 20;
    const std::size_t end = std::min(text.size(), from + kSearch);
    for (std::size_t i = from; i < end; ++i) {
        if (!TakesTrail(static_cast<Byte>(text[i]))) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

ShiftCheck CheckShiftInPartsUsing(Kernel kernel, std::string_view text, int delta, const ShiftProgress& progress)
{
    const std::size_t split = PartBoundary(text, text.size() / 2);
    if (split == std::string_view::npos || split >= text.size()) {
        return CheckShiftUsing(kernel, text, delta, progress);
    }
    ShiftCheck second;
    std::thread helper;
    try {
        helper = std::thread([&] { second = CheckPart(kernel, text.substr(split), delta, {}, false); });
    } catch (const std::system_error&) {
        return CheckShiftUsing(kernel, text, delta, progress);
    }
    // Waited for on every road out, a throwing progress's too.
    struct Joined {
        std::thread& thread;
        ~Joined()
        {
            if (thread.joinable()) {
                thread.join();
            }
        }
    } joined{helper};
    // Progress is told on the caller's thread, for the half it checks.
    const ShiftProgress halfway = progress ? ShiftProgress([&](std::size_t done) { progress(2 * done); }) : nullptr;
    const ShiftCheck first = CheckPart(kernel, text.substr(0, split), delta, halfway, true);
    helper.join();
    return {first.comesBack && second.comesBack, first.keepsLength && second.keepsLength};
}

std::size_t ShiftStretchInPlaceUsing(Kernel kernel, char* text, std::size_t size, std::size_t begin,
                                     std::size_t want, int delta)
{
    const std::size_t end = begin + std::min(want, size - begin);
    return ShiftCharactersInPlace(reinterpret_cast<Byte*>(text), size, begin, end, Rules(delta), WindowsOf(kernel));
}

}  // namespace detail

std::string ShiftText(std::string_view text, int delta)
{
    std::string out;
    ShiftTextInto(text, delta, out);
    return out;
}

void ShiftTextInto(std::string_view text, int delta, std::string& out)
{
    detail::ShiftTextUsing(detail::BestKernel(), text, delta, out);
}

void ShiftInPlace(std::string& text, int delta, const ShiftProgress& progress)
{
    detail::ShiftInPlaceUsing(detail::BestKernel(), text, delta, progress);
}

bool ShiftInPlaceIfComesBack(std::string& text, int delta, const ShiftProgress& progress)
{
    return detail::ShiftInPlaceIfComesBackUsing(detail::BestKernel(), text, delta, progress);
}

bool ShiftComesBack(std::string_view text, int delta, const ShiftProgress& progress)
{
    return detail::ShiftComesBackUsing(detail::BestKernel(), text, delta, progress);
}

ShiftCheck CheckShift(std::string_view text, int delta, const ShiftProgress& progress)
{
    // A large text is checked in two parts at once, where there are two processors.
    constexpr std::size_t kInParts = 32u << 20;
    if (text.size() >= kInParts && std::thread::hardware_concurrency() > 1) {
        return detail::CheckShiftInPartsUsing(detail::BestKernel(), text, delta, progress);
    }
    return detail::CheckShiftUsing(detail::BestKernel(), text, delta, progress);
}

ShiftCheck CheckShiftOfPart(std::string_view part, int delta)
{
    return CheckPart(detail::BestKernel(), part, delta, {}, true);
}

bool ShiftPartInPlaceIfComesBack(char* part, std::size_t size, int delta, bool last, std::size_t& shifted)
{
    auto* bytes = reinterpret_cast<Byte*>(part);
    const Rules rules(delta);
    const WindowsFunction windows = WindowsOf(detail::BestKernel());
    std::size_t i = 0;
    while (i < size) {
        // A clean window both comes back and keeps its length.
        i += windows(bytes + i, size - i, bytes + i, rules);
        if (i >= size) {
            break;
        }
        const std::size_t length = CharLength(bytes, i, size);
        if (!IsPlainCharacter(bytes + i, length, rules) &&
            !CharComesBack(bytes + i, length, last && i + length == size, delta)) {
            shifted = i;
            return false;
        }
        Byte out[2];
        if (EncodeCode(CharCode(bytes + i, length) + delta, out) != length) {
            shifted = i;
            const std::string_view rest(part + i, size - i);
            return (last ? CheckShift(rest, delta) : CheckShiftOfPart(rest, delta)).comesBack;
        }
        std::memcpy(bytes + i, out, length);
        i += length;
    }
    shifted = size;
    return true;
}

std::size_t ShiftStretchInPlace(char* text, std::size_t size, std::size_t begin, std::size_t want, int delta)
{
    return detail::ShiftStretchInPlaceUsing(detail::BestKernel(), text, size, begin, want, delta);
}

}  // namespace quilvane
