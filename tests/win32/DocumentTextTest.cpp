// What the Win32 document view shows of a document's bytes: valid UTF-8 as
// UTF-8 (as Notepad saves it, with or without a byte-order mark), anything
// else as code page 936, whatever the system's own code page, and only the
// beginning of a large document.
#include "WindowDriver.hpp"
#include "gui/win32/DocumentText.hpp"

#include <gtest/gtest.h>

#include <string>

using quilvane::win32::DocumentText;
using quilvane::testing::win32::Wide;

namespace {

// The bytes as the system decodes code page 936.
std::wstring CodePage936(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             text.data(), static_cast<int>(text.size()))));
    return text;
}

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

TEST(Win32DocumentText, ShowsUtf8AsUtf8AndAnythingElseAsCodePage936)
{
    const std::string poem = "\xE9\x9D\x99\xE5\xA4\x9C\xE6\x80\x9D\r\n";  // 静夜思
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        std::string bytes;
        std::size_t limit;
        bool more;
        std::wstring shown;
    } cases[] = {
        {"UTF-8", poem, 100, false, Wide("静夜思\r\n")},
        {"UTF-8 with a byte-order mark, not shown", bom + poem, 100, false, Wide("静夜思\r\n")},
        {"a byte-order mark alone", bom, 100, false, L""},
        {"a character cut by the limit is left out", poem, 7, false, Wide("静夜") + kNote},
        {"cut at the end of what was read of a larger document", poem.substr(0, 5), 100, true, Wide("静") + kNote},
        {"four bytes", "\xF0\x9F\x98\x80", 100, false, L"\xD83D\xDE00"},
        {"a character unfinished at the end of the file: not UTF-8", "\xE9\x9D\x99\xE5\xA4", 100, false,
         CodePage936("\xE9\x9D\x99\xE5\xA4")},
        {"GBK that is not UTF-8", "\xD6\xD0\xCE\xC4", 100, false, Wide("中文")},
        {"an overlong form is not UTF-8", "\xC1\xA1", 100, false, CodePage936("\xC1\xA1")},
        {"a surrogate is not UTF-8", "\xED\xA0\x80", 100, false, CodePage936("\xED\xA0\x80")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DocumentText(c.bytes, c.limit, c.more), c.shown);
    }
}

TEST(Win32DocumentText, ALoneLeadByteAtTheEndStillShowsSomething)
{
    const std::wstring shown = DocumentText("ab\xD6", 100);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown.substr(0, 2), L"ab");
}

}  // namespace
