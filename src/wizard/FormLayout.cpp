#include "wizard/FormLayout.hpp"

#include <cstring>

namespace quilvane {
namespace {

constexpr const char* kZones = "A区    B区     C区     D区     E区";
constexpr const char* kExit = "退   出";

}  // namespace

const std::vector<Control>& Layout()
{
    static const std::vector<Control> controls = {
        {"Frame1", Kind::Frame, nullptr, "第一步选择加密/解密文件", 240, 120, 3975, 2295, 0},
        {"Command1", Kind::Command, "Frame1", "下一步", 2640, 1680, 1095, 375, 1},
        {"Label1", Kind::Label, "Frame1", "欢迎您使用Quilvane2.0版，本向导将帮助您完成整个加密/解密过程", 480, 360, 3015, 375, 2},
        {"Option1", Kind::Option, "Frame1", "我要加密文件", 720, 960, 1575, 180, 3},
        {"Option2", Kind::Option, "Frame1", "我要解密文件", 720, 1440, 1575, 255, 4},
        {"Label2", Kind::Label, nullptr, "Quilvane 2.0 文本文件加密解密向导", 240, 2520, 3975, 255, 5},
        {"Frame2", Kind::Frame, nullptr, "第二步输入加密密码", 240, 120, 3975, 2295, 6},
        {"Label3", Kind::Label, "Frame2",
         "请在下面的五个空格中填写五个密码（每空一个）密码必须为1-5这五个阿拉伯数字中的一个（密码最好不要太具有规则性，否则加密效果不会很好哦*^_^*）",
         360, 240, 3255, 735, 7},
        {"Command2", Kind::Command, "Frame2", "上一步", 720, 1800, 1095, 375, 8},
        {"Command3", Kind::Command, "Frame2", "下一步", 2400, 1800, 1095, 375, 9},
        {"Text1", Kind::Text, "Frame2", "", 480, 1320, 375, 270, 10},
        {"Text2", Kind::Text, "Frame2", "", 1200, 1320, 375, 270, 11},
        {"Text3", Kind::Text, "Frame2", "", 1920, 1320, 375, 270, 12},
        {"Text4", Kind::Text, "Frame2", "", 2640, 1320, 375, 270, 13},
        {"Text5", Kind::Text, "Frame2", "", 3360, 1320, 375, 270, 14},
        {"Frame3", Kind::Frame, nullptr, "第二步输入解密密码", 240, 120, 3975, 2295, 15},
        {"Label4", Kind::Label, "Frame2", kZones, 600, 1080, 3135, 255, 16},
        {"Frame4", Kind::Frame, nullptr, "第三步打开加密目标文件", 240, 120, 3975, 2295, 17},
        {"Command6", Kind::Command, "Frame4", kExit, 2640, 1800, 1095, 375, 18},
        {"Command5", Kind::Command, "Frame4", "加密文件", 2640, 1320, 1095, 375, 19},
        {"Command4", Kind::Command, "Frame4", "打开文件", 2640, 840, 1095, 375, 20},
        {"Label5", Kind::Label, "Frame4",
         "这是最后一步，请您单击“打开文件”按钮，打开您要加密的目标文件。然后单击“加密文件”按钮进行文件的加密。",
         240, 240, 3375, 615, 21},
        {"Label6", Kind::Label, "Frame3",
         "请在下面的五个空格中填写五个密码（每空一个）密码必须为1-5这五个阿拉伯数字中的一个", 360, 360, 3255, 615, 22},
        {"Label7", Kind::Label, "Frame3", kZones, 600, 960, 3135, 255, 23},
        {"Text6", Kind::Text, "Frame3", "", 480, 1200, 375, 270, 24},
        {"Text7", Kind::Text, "Frame3", "", 1200, 1200, 375, 270, 25},
        {"Text8", Kind::Text, "Frame3", "", 1920, 1200, 375, 270, 26},
        {"Text9", Kind::Text, "Frame3", "", 2640, 1200, 375, 270, 27},
        {"Text10", Kind::Text, "Frame3", "", 3360, 1200, 375, 270, 28},
        {"Command7", Kind::Command, "Frame3", "上一步", 720, 1680, 1095, 375, 29},
        {"Command8", Kind::Command, "Frame3", "下一步", 2400, 1680, 1095, 375, 30},
        {"Frame5", Kind::Frame, nullptr, "第三步打开解密目标文件", 240, 120, 3975, 2295, 31},
        {"Label8", Kind::Label, "Frame5",
         "这是最后一步，请您单击“打开文件”按钮，打开您要解密的目标文件。然后单击“解密文件”按钮进行文件的解密还原。",
         360, 600, 3375, 615, 32},
        {"Command9", Kind::Command, "Frame5", "打开文件", 120, 1560, 1095, 375, 33},
        {"Command10", Kind::Command, "Frame5", "解密文件", 1440, 1560, 1095, 375, 34},
        {"Command11", Kind::Command, "Frame5", kExit, 2760, 1560, 1095, 375, 35},
        {"RichTextBox1", Kind::Document, "Frame4", "", 240, 840, 2295, 1335, 36},
    };
    return controls;
}

Pointer PointerOf(const Control& control)
{
    if (control.kind == Kind::Frame) {
        return Pointer::Panel;
    }
    if (control.kind != Kind::Command) {
        return Pointer::Arrow;
    }
    const auto is = [&](const char* name) { return std::strcmp(control.name, name) == 0; };
    if (is("Command1") || is("Command3") || is("Command8")) {
        return Pointer::Next;
    }
    if (is("Command2") || is("Command7")) {
        return Pointer::Previous;
    }
    if (is("Command4") || is("Command9")) {
        return Pointer::Open;
    }
    if (is("Command5") || is("Command10")) {
        return Pointer::Key;
    }
    return Pointer::Exit;
}

}  // namespace quilvane
