#include "wizard/Form1.hpp"

#include "wizard/Pointers.hpp"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <vector>

namespace quilvane {
namespace {

// Places are kept in twips as the layout was drawn; 15 twips make a pixel.
constexpr int kTwipsPerPixel = 15;
QRect FromTwips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

enum class Kind { Frame, Label, Option, Command, Text, Document };

struct Control {
    const char* name;
    Kind kind;
    const char* container;  // nullptr: directly on the window
    const char* caption;
    int left, top, width, height;  // twips
    int tabIndex;
};

constexpr const char* kZones = "A区    B区     C区     D区     E区";
constexpr const char* kExit = "退   出";

// Listed in tab order. Panels and labels hold a place but never take focus.
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

// Captions wrap where the line is full, as on the desktop the layout was
// drawn for: Qt's own wrapping keeps "单击“打" together and would push the
// last characters of a caption out of its place.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere, text());
    }
};

// Password boxes show each typed character as "*".
class AsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

PointerImage CommandPointer(const QString& name)
{
    if (name == "Command1" || name == "Command3" || name == "Command8") {
        return &Pointers::next;
    }
    if (name == "Command2" || name == "Command7") {
        return &Pointers::previous;
    }
    if (name == "Command4" || name == "Command9") {
        return &Pointers::open;
    }
    if (name == "Command5" || name == "Command10") {
        return &Pointers::key;
    }
    return &Pointers::exit;
}

QWidget* Create(const Control& control, QWidget* container, QStyle* asterisks)
{
    const QString caption = QString::fromUtf8(control.caption);
    QWidget* widget = nullptr;
    switch (control.kind) {
    case Kind::Frame: {
        auto* frame = new QGroupBox(caption, container);
        ShowPointerOnEnter(frame, &Pointers::panel);
        widget = frame;
        break;
    }
    case Kind::Label: {
        auto* label = new CaptionLabel(caption, container);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setCursor(Qt::ArrowCursor);
        widget = label;
        break;
    }
    case Kind::Option: {
        auto* option = new QRadioButton(caption, container);
        option->setCursor(Qt::ArrowCursor);
        widget = option;
        break;
    }
    case Kind::Command: {
        auto* button = new QPushButton(caption, container);
        button->setAutoDefault(false);
        ShowPointerOnEnter(button, CommandPointer(QString::fromUtf8(control.name)));
        widget = button;
        break;
    }
    case Kind::Text: {
        auto* box = new QLineEdit(container);
        box->setMaxLength(1);
        box->setStyle(asterisks);
        box->setEchoMode(QLineEdit::Password);
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
        box->setCursor(Qt::ArrowCursor);
        box->setMouseTracking(true);  // hovering gives the focus
        widget = box;
        break;
    }
    case Kind::Document: {
        auto* view = new QPlainTextEdit(container);
        view->setReadOnly(true);
        view->setTabChangesFocus(true);
        view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        widget = view;
        break;
    }
    }
    widget->setObjectName(QString::fromUtf8(control.name));
    widget->setGeometry(FromTwips(control.left, control.top, control.width, control.height));
    return widget;
}

// The window is a frame to screen readers (a plain top-level widget would be
// an anonymous client area); its name is its caption.
QAccessibleInterface* AccessibleWindow(const QString& className, QObject* object)
{
    if (className == QLatin1String("quilvane::Form1") && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

// What a screen reader says for each control that its caption does not
// already name; the zone labels are the buddies of their rows' first boxes.
void NameForScreenReaders(Form1& form)
{
    const char* const zones[] = {"A区", "B区", "C区", "D区", "E区"};
    for (int number = 1; number <= 10; ++number) {
        QLineEdit* box = form.text(number);
        box->setAccessibleName(QString::fromUtf8(zones[(number - 1) % 5]));
        box->setAccessibleDescription(QStringLiteral("密码的一位：填写1到5之间的一个阿拉伯数字"));
    }
    form.label(4)->setBuddy(form.text(1));
    form.label(7)->setBuddy(form.text(6));
    for (int number = 1; number <= 11; ++number) {
        QPushButton* button = form.command(number);
        button->setAccessibleName(button->text().remove(' '));  // "退   出" reads "退出"
    }
    form.richTextBox()->setAccessibleName(QStringLiteral("文件内容"));
    form.richTextBox()->setAccessibleDescription(QStringLiteral("打开的文件的文字，只读"));
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setObjectName("Form1");
    setWindowTitle("Quilvane 2.0");
    setWindowIcon(Pointers::applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(4455 / kTwipsPerPixel, 2760 / kTwipsPerPixel);

    auto* asterisks = new AsteriskStyle;
    asterisks->setParent(this);

    std::vector<QWidget*> tabOrder;
    for (const Control& control : Layout()) {
        QWidget* container = control.container ? findChild<QWidget*>(control.container) : this;
        QWidget* widget = Create(control, container, asterisks);
        if (widget->focusPolicy() != Qt::NoFocus) {
            tabOrder.push_back(widget);
        }
    }
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    for (int number = 2; number <= 5; ++number) {
        frame(number)->hide();
    }
    option(1)->setChecked(true);
    command(1)->setFocus();
    static const bool accessibleWindow = (QAccessible::installFactory(&AccessibleWindow), true);
    Q_UNUSED(accessibleWindow);
    NameForScreenReaders(*this);
}

template <typename T>
T* Form1::named(const QString& name) const
{
    T* widget = findChild<T*>(name);
    Q_ASSERT(widget);
    return widget;
}

QGroupBox* Form1::frame(int number) const { return named<QGroupBox>(QString("Frame%1").arg(number)); }
QPushButton* Form1::command(int number) const { return named<QPushButton>(QString("Command%1").arg(number)); }
QLineEdit* Form1::text(int number) const { return named<QLineEdit>(QString("Text%1").arg(number)); }
QRadioButton* Form1::option(int number) const { return named<QRadioButton>(QString("Option%1").arg(number)); }
QLabel* Form1::label(int number) const { return named<QLabel>(QString("Label%1").arg(number)); }
QPlainTextEdit* Form1::richTextBox() const { return named<QPlainTextEdit>("RichTextBox1"); }

void Form1::centreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frameRect = frameGeometry();
        frameRect.moveCenter(screen->availableGeometry().center());
        move(frameRect.topLeft());
    }
}

}  // namespace quilvane
