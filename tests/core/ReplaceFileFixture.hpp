#pragma once

// What the tests of the file-replacing code share, on every platform.
#include "platform/DocumentFile.hpp"
#include "platform/FileFaults.hpp"
#include "platform/PathText.hpp"

#include "../handlers/ScriptedView.hpp"
#include "ParamName.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quilvane::testing {

namespace fs = std::filesystem;

// The file as the program would see it now.
inline FileStamp StampNow(const fs::path& path)
{
    return ReadDocumentStart(path, 0).stamp;
}

class FileReplacement : public ::testing::Test {
public:
    void TearDown() override
    {
        faults::Clear();
        tuning::ResetDirectWritesFrom();
    }

    fs::path file(const fs::path& name, const std::string& bytes)
    {
        const auto path = dir / name;
        WriteBytes(path, bytes);
        return path;
    }
    // Everything in the directory but the named files: stray temporaries.
    std::vector<std::string> strays(std::initializer_list<std::string> expected = {}) const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = PathToUtf8(entry.path().filename());
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
                found.push_back(name);
            }
        }
        return found;
    }
    // Every file of the directory with its bytes, by name.
    std::map<std::string, std::string> contents() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.is_regular_file()) {
                files[PathToUtf8(entry.path().filename())] = ReadBytes(entry.path());
            }
        }
        return files;
    }

    TemporaryDirectory dir;
};

// The same reason, whether the system gave it in its own codes (a Win32
// error) or as an errno value.
inline ::testing::AssertionResult SameReason(const std::error_code& actual, const std::error_code& expected)
{
    if (actual == expected ||
        (expected.category() == std::generic_category() && actual == expected.default_error_condition())) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual.category().name() << " error " << actual.value() << " instead of "
                                         << expected.category().name() << " error " << expected.value();
}

// A file the program must leave alone, and the reason it gives.
struct Refusal {
    const char* what;
    std::function<fs::path(FileReplacement&, ReplaceOptions&)> arrange;
    std::error_code expected;

    friend void PrintTo(const Refusal& r, std::ostream* os) { *os << r.what; }
};

class Refusals : public FileReplacement, public ::testing::WithParamInterface<Refusal> {};

inline std::string RefusalName(const ::testing::TestParamInfo<Refusal>& info)
{
    return ParamName(info.param.what);
}

}  // namespace quilvane::testing
