// The command buttons as the windows bind them, and a file given at start
// ("Open with"), opened when the user reaches a file panel by the usual road.
#include "ScriptedView.hpp"
#include "transform/Commands.hpp"

#include <gtest/gtest.h>

namespace quilvane::testing {
namespace {

class StartFile : public ::testing::Test {
protected:
    StartFile()
    {
        view.programDir = dir.path();
        view.dataDir = dir / "data";
    }

    void typePassword(std::size_t firstBox, const char* digits)
    {
        for (std::size_t i = 0; i < 5; ++i) {
            view.boxes[firstBox + i] = std::string(1, digits[i]);
        }
    }

    TemporaryDirectory dir;
    ScriptedView view;
};

TEST_F(StartFile, IsOpenedOnTheFilePanelOfEitherRoadAsIfChosen)
{
    for (const bool encrypting : {true, false}) {
        const auto file = dir / u8"从文件管理器打开.txt";
        WriteBytes(file, "AB\r\n");
        view = ScriptedView{};
        view.programDir = dir.path();
        view.dataDir = dir / "data";
        view.startFile = file;
        view.option1 = encrypting;

        ClickCommand(view, 1);
        EXPECT_TRUE(view.fileName.empty()) << "opened before the file panel";
        // A wrong password keeps the file for later.
        typePassword(encrypting ? 0 : 5, "12395");
        ClickCommand(view, encrypting ? 3 : 8);
        EXPECT_TRUE(view.fileName.empty());
        EXPECT_EQ(view.startFile, file);

        typePassword(encrypting ? 0 : 5, "12345");
        view.answers = {msgbox::kAnswerYes};
        ClickCommand(view, encrypting ? 3 : 8);
        EXPECT_EQ(view.visibleFrame(), encrypting ? 4 : 5);
        EXPECT_EQ(view.fileName, file);
        EXPECT_EQ(view.shown.excerpt, "AB\r\n");
        EXPECT_TRUE(view.startFile.empty()) << "handed over once";

        // From here on the usual buttons: the file is encrypted or decrypted.
        view.answers = {msgbox::kAnswerOk};
        ClickCommand(view, encrypting ? 5 : 10);
        EXPECT_TRUE(view.ended);
        EXPECT_EQ(ReadBytes(file), encrypting ? "?@\v\b\r\n" : "CD");
    }
}

TEST_F(StartFile, AMissingFileGivesTheOpenMessageOnTheFilePanel)
{
    view.startFile = dir / "missing.txt";
    view.option1 = false;
    ClickCommand(view, 1);
    typePassword(5, "12345");
    ClickCommand(view, 8);
    EXPECT_EQ(view.visibleFrame(), 5);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].title, "无法打开文件");
    EXPECT_NE(view.messages[0].text.find("missing.txt"), std::string::npos);
    EXPECT_TRUE(view.fileName.empty());
}

TEST_F(StartFile, WithoutOneTheFilePanelOpensNothing)
{
    ClickCommand(view, 1);
    typePassword(0, "12345");
    view.answers = {msgbox::kAnswerYes};
    ClickCommand(view, 3);
    EXPECT_EQ(view.visibleFrame(), 4);
    EXPECT_TRUE(view.fileName.empty());
    EXPECT_EQ(view.messages.size(), 2u);  // the confirmation and the reminder
    EXPECT_TRUE(view.progress.size() == 1u && view.progress[0].title == "正在保存密钥文件");
}

}  // namespace
}  // namespace quilvane::testing
