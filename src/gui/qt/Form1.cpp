#include "gui/qt/Form1.hpp"

#include "gui/qt/FocusShown.hpp"
#include "gui/qt/InterfaceFont.hpp"
#include "gui/qt/Pointers.hpp"
#include "wizard/FormLayout.hpp"

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

#include <algorithm>
#include <vector>

namespace quilvane {
namespace {

QRect FromTwips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

// Captions wrap where the line is full, as on the desktop the layout was
// drawn for: Qt's own wrapping keeps "单击“打" together and would push the
// last characters of a caption out of its place.
// Its size hint is what the caption needs at the label's width, wrapped as
// it is painted.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize sizeHint() const override { return needed(contentsRect().width()).grownBy(contentsMargins()); }
    int heightForWidth(int width) const override
    {
        const QMargins margins = contentsMargins();
        return needed(width - margins.left() - margins.right()).height() + margins.top() + margins.bottom();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(contentsRect(), kWrapping, text());
    }

private:
    static constexpr int kWrapping = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;

    QSize needed(int width) const
    {
        return fontMetrics().boundingRect(QRect(0, 0, std::max(width, 1), QWIDGETSIZE_MAX), kWrapping, text()).size();
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

PointerImage CommandPointer(const Control& control)
{
    switch (PointerOf(control)) {
    case Pointer::Next: return &Pointers::next;
    case Pointer::Previous: return &Pointers::previous;
    case Pointer::Open: return &Pointers::open;
    case Pointer::Key: return &Pointers::key;
    default: return &Pointers::exit;
    }
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
        ShowPointerOnEnter(button, CommandPointer(control));
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
    setWindowTitle(kFormCaption);
    setWindowIcon(Pointers::applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kFormWidth / kTwipsPerPixel, kFormHeight / kTwipsPerPixel);
    // The places fit this font, whatever font the desktop gives the program.
    setFont(InterfaceFont());
    ShowFocusAlways(*this);

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
