#pragma once

// The document the file bench works on: Chinese prose in GBK, generated, with
// the digests its plain and encrypted forms must have.
#include "BenchCommon.hpp"

#include <string_view>

namespace bench {


struct Generated {
    std::uint64_t size = 0;
    std::uint64_t plainDigest = 0;
    std::uint64_t encryptedDigest = 0;  // what encryption must leave on disk
};

// Writes `size` bytes of prose to `path` and flushes them to disk.
Generated GenerateDocument(const fs::path& path, std::uint64_t size);

struct FileDigest {
    std::uint64_t size = 0;
    std::uint64_t digest = 0;
};

FileDigest DigestFile(const fs::path& path);

}  // namespace bench
