#include "ScriptedView.hpp"
#include "wizard/Navigation.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

std::vector<std::string> ClearAllTenBoxes()
{
    std::vector<std::string> calls;
    for (int i = 1; i <= 10; ++i) {
        calls.push_back("clear Text" + std::to_string(i));
    }
    return calls;
}

TEST(Navigation, NextWithEncryptSelectedEmptiesAllBoxesThenShowsTheEncryptionPassword)
{
    ScriptedView view;
    for (std::string& box : view.boxes) {
        box = "3";
    }
    Command1_Click(view);

    auto expected = ClearAllTenBoxes();
    expected.insert(expected.end(), {"hide Frame1", "show Frame2"});
    EXPECT_EQ(view.calls, expected);
    EXPECT_EQ(view.visibleFrame(), 2);
    for (const std::string& box : view.boxes) {
        EXPECT_EQ(box, "");
    }
}

TEST(Navigation, NextWithDecryptSelectedShowsTheDecryptionPassword)
{
    ScriptedView view;
    view.option1 = false;
    Command1_Click(view);

    auto expected = ClearAllTenBoxes();
    expected.insert(expected.end(), {"hide Frame1", "show Frame3"});
    EXPECT_EQ(view.calls, expected);
    EXPECT_EQ(view.visibleFrame(), 3);
}

TEST(Navigation, PreviousReturnsToTheFirstStepWhoseNextEmptiesTheBoxesAgain)
{
    ScriptedView view;
    Command1_Click(view);
    view.box(TextBox::Text2) = "4";
    Command2_Click(view);
    EXPECT_EQ(view.visibleFrame(), 1);
    Command1_Click(view);
    EXPECT_EQ(view.visibleFrame(), 2);
    EXPECT_EQ(view.box(TextBox::Text2), "");

    view.option1 = false;
    Command2_Click(view);
    Command1_Click(view);
    EXPECT_EQ(view.visibleFrame(), 3);
    Command7_Click(view);
    EXPECT_EQ(view.visibleFrame(), 1);
    EXPECT_TRUE(view.messages.empty());
}

TEST(Navigation, ExitEndsTheProgramWithoutAMessage)
{
    for (auto exit : {&Command6_Click, &Command11_Click}) {
        ScriptedView view;
        exit(view);
        EXPECT_TRUE(view.ended);
        EXPECT_TRUE(view.messages.empty());
    }
}

TEST(Navigation, HoveringOverAPasswordBoxGivesItTheFocus)
{
    ScriptedView view;
    for (TextBox box : {TextBox::Text1, TextBox::Text5, TextBox::Text6, TextBox::Text10}) {
        PasswordBox_MouseMove(view, box);
        EXPECT_EQ(view.focused, box);
    }
}

}  // namespace
}  // namespace quilvane::testing
