// A failure no handler expected ends the action with a message, never the
// program.
#include "ScriptedView.hpp"
#include "wizard/HandlerGuard.hpp"

#include <gtest/gtest.h>

#include <new>
#include <system_error>

namespace quilvane::testing {
namespace {

TEST(HandlerGuard, AnUnexpectedFailureBecomesAMessageAndTheWindowGoesOn)
{
    struct Case {
        const char* what;
        void (*fail)();
        const char* reason;
    };
    for (const Case& c : {Case{"no memory", [] { throw std::bad_alloc(); }, "内存不足"},
                          Case{"no thread", [] { throw std::system_error(std::make_error_code(std::errc::not_enough_memory)); },
                               "内存不足"}}) {
        ScriptedView view;
        bool after = false;
        RunHandler(view, [&] {
            view.clearBox(TextBox::Text1);
            c.fail();
            after = true;
        });
        EXPECT_FALSE(after) << c.what;
        ASSERT_EQ(view.messages.size(), 1u) << c.what;
        EXPECT_EQ(view.messages[0].title, "操作未能完成") << c.what;
        EXPECT_EQ(view.messages[0].style, 16) << c.what;
        EXPECT_NE(view.messages[0].text.find(c.reason), std::string::npos) << c.what;
        EXPECT_FALSE(view.ended) << c.what;
    }

    ScriptedView view;
    RunHandler(view, [&] { view.clearBox(TextBox::Text2); });
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.calls, std::vector<std::string>{"clear Text2"});
}

}  // namespace
}  // namespace quilvane::testing
