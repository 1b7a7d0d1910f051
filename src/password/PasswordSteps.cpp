#include "password/PasswordSteps.hpp"

#include "password/KeyFileMessages.hpp"
#include "password/KeyStore.hpp"
#include "password/PasswordRules.hpp"

#include <array>
#include <optional>

namespace quilvane {
namespace {

using Zones = std::array<TextBox, 5>;
constexpr Zones kEncryptionZones = {TextBox::Text1, TextBox::Text2, TextBox::Text3, TextBox::Text4, TextBox::Text5};
constexpr Zones kDecryptionZones = {TextBox::Text6, TextBox::Text7, TextBox::Text8, TextBox::Text9, TextBox::Text10};

constexpr const char* kWrongPasswordText = "您输入的密码有误，密码必须为1-5之间的阿拉伯数字";

std::optional<AcceptedPassword> ReadPassword(const WizardView& view, const Zones& zones)
{
    std::array<std::string, 5> texts;
    std::array<std::string_view, 5> views;
    for (std::size_t i = 0; i < zones.size(); ++i) {
        texts[i] = view.boxText(zones[i]);
        views[i] = texts[i];
    }
    return AcceptPassword(views);
}

void ClearBoxes(WizardView& view, const Zones& zones)
{
    for (TextBox box : zones) {
        view.clearBox(box);
    }
}

// Stores the key digit, off the window's thread (the write waits for the
// disk); a failure is told to the user, who stays on the password step.
bool StoreKey(WizardView& view, std::int16_t keyDigit)
{
    const auto directory = KeyFileDirectory(view);
    const auto fallback = view.userDataDirectory();
    std::optional<KeyFileError> error;
    view.runWork("正在保存密钥文件", false,
                 [&](ProgressReport&) { error = StoreKeyDigit(directory, fallback, keyDigit); });
    if (error) {
        view.messageBox(failure::KeyFileText(*error), msgbox::kOkOnly + msgbox::kCritical, failure::kKeyFileTitle);
        return false;
    }
    return true;
}

}  // namespace

void Command3_Click(WizardView& view)
{
    if (const auto password = ReadPassword(view, kEncryptionZones)) {
        const int answer = view.messageBox("您输入的密码为：" + password->digits() + " 确认吗？",
                                           msgbox::kYesNo + msgbox::kQuestion, "确认密码");
        if (answer == msgbox::kAnswerYes) {
            view.messageBox("您输入的密码（按A-E区顺序）为" + password->digits() + " 请您务必记牢！",
                            msgbox::kOkOnly + msgbox::kInformation, "记录密码");
            // The key file is written before the step changes, so that a
            // failed write leaves the user on this step.
            if (StoreKey(view, password->keyDigit)) {
                view.setFrameVisible(Frame::Frame2, false);
                view.setFrameVisible(Frame::Frame4, true);
            }
        }
    } else {
        view.messageBox(kWrongPasswordText, msgbox::kOkOnly + msgbox::kCritical, "密码设置出错");
    }
    ClearBoxes(view, kEncryptionZones);
}

void Command8_Click(WizardView& view)
{
    if (const auto password = ReadPassword(view, kDecryptionZones)) {
        if (StoreKey(view, password->keyDigit)) {
            view.setFrameVisible(Frame::Frame3, false);
            view.setFrameVisible(Frame::Frame5, true);
        }
    } else {
        view.messageBox(kWrongPasswordText, msgbox::kOkOnly + msgbox::kCritical, "密码填写出错");
    }
    ClearBoxes(view, kDecryptionZones);
}

}  // namespace quilvane
