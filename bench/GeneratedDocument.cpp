#include "GeneratedDocument.hpp"

#include "transform/ShiftText.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <memory>

namespace bench {
namespace {


// A 64-bit digest of a byte stream, the same however the stream is cut.
class Digest {
public:
    void add(std::string_view bytes)
    {
        length_ += bytes.size();
        std::size_t i = 0;
        while (pendingBytes_ != 0 && i < bytes.size()) {
            take(static_cast<unsigned char>(bytes[i++]));
        }
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if constexpr (std::endian::native == std::endian::big) {
                word = __builtin_bswap64(word);
            }
            mix(word);
        }
        for (; i < bytes.size(); ++i) {
            take(static_cast<unsigned char>(bytes[i]));
        }
    }

    std::uint64_t value() const
    {
        Digest last = *this;
        last.mix(pending_ ^ (std::uint64_t{0xA5} << 56));
        last.mix(length_);
        return last.hash_;
    }

private:
    void take(unsigned char byte)
    {
        pending_ |= std::uint64_t{byte} << (8 * pendingBytes_);
        if (++pendingBytes_ == 8) {
            mix(pending_);
            pending_ = 0;
            pendingBytes_ = 0;
        }
    }
    void mix(std::uint64_t word) { hash_ = std::rotl((hash_ ^ word) * 0x9E3779B97F4A7C15ull, 27); }

    std::uint64_t hash_ = 0x243F6A8885A308D3ull;
    std::uint64_t pending_ = 0;
    int pendingBytes_ = 0;
    std::uint64_t length_ = 0;
};

// Chinese prose in GBK as a Chinese user's text files hold it: mostly GB2312
// hanzi, now and then a character from the GBK extension, full-width
// punctuation, numbers and Latin words in ASCII, CR LF line ends and blank
// lines between paragraphs.
class Prose {
public:
    static constexpr std::size_t kMaxLine = 512;

    explicit Prose(std::uint64_t seed) : state_(seed) {}

    // Appends one line and its CR LF: at most kMaxLine bytes.
    void line(std::string& out)
    {
        static constexpr std::string_view kPunctuation[] = {"\xA3\xAC", "\xA1\xA3", "\xA1\xA2", "\xA3\xBB",
                                                            "\xA3\xBA", "\xA1\xB0", "\xA1\xB1", "\xA3\xA1",
                                                            "\xA3\xBF", "\xA3\xA8", "\xA3\xA9"};
        static constexpr std::string_view kWords[] = {" Qt ", "GBK", " Linux ", "PDF", " USB ", "Windows",
                                                      "ISO", "km", "kg", " CPU ", "Tobrek", "2.0"};
        const std::uint64_t shape = next();
        if (shape % 20 == 0) {
            out += "\r\n";
            return;
        }
        const int tokens = 6 + static_cast<int>((shape >> 8) % 40);
        for (int t = 0; t < tokens; ++t) {
            std::uint64_t v = next();
            const unsigned kind = static_cast<unsigned>(v % 100);
            v >>= 8;
            if (kind < 78) {
                // One to four GB2312 hanzi: lead B0..F7, trail A1..FE.
                const int count = 1 + static_cast<int>(v & 3);
                v >>= 2;
                for (int c = 0; c < count; ++c) {
                    out += static_cast<char>(0xB0 + (v & 0xFF) % 0x48);
                    out += static_cast<char>(0xA1 + ((v >> 8) & 0xFF) % 0x5E);
                    v >>= 16;
                }
            } else if (kind < 80) {
                // GBK extension: lead 81..A0, trail 40..FE without 7F.
                const auto trail = static_cast<unsigned>(0x40 + ((v >> 8) & 0xFF) % 0xBF);
                out += static_cast<char>(0x81 + (v & 0xFF) % 0x20);
                out += static_cast<char>(trail == 0x7F ? 0x80 : trail);
            } else if (kind < 90) {
                out += kPunctuation[v % std::size(kPunctuation)];
            } else if (kind < 95) {
                out += kWords[v % std::size(kWords)];
            } else {
                out += std::to_string(v % 10000);
            }
        }
        out += "\r\n";
    }

private:
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

}  // namespace

// Writes `size` bytes of prose to `path` and flushes them to disk. The digest
// of the encrypted file is taken from the same lines shifted on their own:
// every line ends with CR LF, so no character straddles two of them.
Generated GenerateDocument(const fs::path& path, std::uint64_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    constexpr std::size_t kChunk = 4 * kMiB;
    Prose prose(20240229);
    Digest plain;
    Digest encrypted;
    std::string chunk;
    std::string shifted;
    chunk.reserve(kChunk + Prose::kMaxLine);
    std::uint64_t written = 0;
    const auto flush = [&] {
        plain.add(chunk);
        quilvane::ShiftTextInto(chunk, -2, shifted);
        encrypted.add(shifted);
        if (!WriteAll(fd, chunk.data(), chunk.size())) {
            Fail(path.string() + ": " + SystemText(errno));
        }
        written += chunk.size();
        chunk.clear();
    };
    while (written + chunk.size() + Prose::kMaxLine + 2 <= size) {
        prose.line(chunk);
        if (chunk.size() >= kChunk) {
            flush();
        }
    }
    // The last line fills the size exactly.
    const std::uint64_t rest = size - written - chunk.size();
    static constexpr std::string_view kEnd = "End of the generated text. ";
    for (std::uint64_t i = 0; i + 2 < rest; ++i) {
        chunk += kEnd[i % kEnd.size()];
    }
    chunk += "\r\n";
    flush();
    encrypted.add("\r\n");  // the line end encryption adds
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    return {written, plain.value(), encrypted.value()};
}

FileDigest DigestFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail(path.string() + ": " + SystemText(errno));
    }
    const auto buffer = std::make_unique<char[]>(4 * kMiB);
    Digest digest;
    FileDigest result;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.get(), 4 * kMiB);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            Fail(path.string() + ": " + SystemText(error));
        }
        if (got == 0) {
            break;
        }
        digest.add({buffer.get(), static_cast<std::size_t>(got)});
        result.size += static_cast<std::uint64_t>(got);
    }
    ::close(fd);
    result.digest = digest.value();
    return result;
}

}  // namespace bench
