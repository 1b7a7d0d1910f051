// What the Win32 document view shows of a document's bytes: code page 936,
// whatever the system's own code page, and only the beginning of a large one.
#include "WindowDriver.hpp"
#include "gui/win32/DocumentText.hpp"

#include <gtest/gtest.h>

#include <string>

using quilvane::win32::DocumentText;
using quilvane::testing::win32::Wide;

namespace {

const std::wstring kNote = Wide("\r\n\r\n……（文件较大，这里只显示开头部分；加密、解密仍作用于整个文件）");

struct Case {
    const char* what;
    std::string bytes;
    std::size_t limit;
    std::wstring shown;
};

TEST(Win32DocumentText, ShowsTheBytesAsCodePage936)
{
    const Case cases[] = {
        {"GBK text and line ends", "AB\r\n\xD6\xD0\xCE\xC4 text\r\n", 100, Wide("AB\r\n中文 text\r\n")},
        {"a NUL shows as a sign", std::string("a\0b", 3), 100, L"a\x2400" L"b"},
        {"cut before a character that does not fit", "\xD6\xD0\xCE\xC4", 3, Wide("中") + kNote},
        {"cut between characters", "\xD6\xD0\xCE\xC4z", 4, Wide("中文") + kNote},
        {"nothing over the limit, no note", "\xD6\xD0", 2, Wide("中")},
        {"empty", "", 100, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DocumentText(c.bytes, c.limit), c.shown);
    }
}

TEST(Win32DocumentText, ALoneLeadByteAtTheEndStillShowsSomething)
{
    const std::wstring shown = DocumentText("ab\xD6", 100);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown.substr(0, 2), L"ab");
}

}  // namespace
