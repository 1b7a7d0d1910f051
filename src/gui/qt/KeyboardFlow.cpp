#include "gui/qt/KeyboardFlow.hpp"

#include "gui/qt/Form1.hpp"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quilvane {
namespace {

constexpr int kBoxesPerPanel = 5;

bool IsEnter(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

KeyboardFlow::KeyboardFlow(Form1& form)
    : QObject(&form),
      form_(form),
      panels_{{form.frame(1), form.command(1), form.command(1), 0},
              {form.frame(2), form.text(1), form.command(3), 1},
              {form.frame(3), form.text(6), form.command(8), 6},
              {form.frame(4), form.command(4), nullptr, 0},
              {form.frame(5), form.command(9), nullptr, 0}}
{
    for (const Panel& panel : panels_) {
        panel.frame->installEventFilter(this);
    }
    for (int number = 1; number <= 11; ++number) {
        form.command(number)->installEventFilter(this);
    }
    for (int number = 1; number <= 2; ++number) {
        form.option(number)->installEventFilter(this);
    }
    for (int number = 1; number <= 10; ++number) {
        QLineEdit* box = form.text(number);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, [this, number](const QString& text) {
            moveOnAfterDigit(number, text);
        });
    }
    // A password that was not taken leaves the panel in place with its boxes
    // emptied: typing starts again in the first one.
    for (const Panel& panel : panels_) {
        if (panel.firstBox != 0) {
            connect(panel.next, &QAbstractButton::clicked, this, [&panel] {
                if (panel.frame->isVisible()) {
                    panel.firstFocus->setFocus(Qt::OtherFocusReason);
                }
            });
        }
    }
}

bool KeyboardFlow::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) {
        return false;
    }
    // A panel the wizard shows, not the window coming back from the task bar.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (const Panel* panel = panelOf(widget); panel && panel->frame == widget) {
            panel->firstFocus->setFocus(Qt::OtherFocusReason);
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnter(key)) {
        // A held key does not press a button again and again.
        return key->isAutoRepeat() || pressEnter(widget);
    }
    if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier) {
        if (auto* box = qobject_cast<QLineEdit*>(widget); box && boxNumber(box) != 0) {
            return backspaceInEmptyBox(box);
        }
    }
    return false;
}

const KeyboardFlow::Panel* KeyboardFlow::panelOf(const QWidget* widget) const
{
    for (const Panel& panel : panels_) {
        if (panel.frame == widget || panel.frame->isAncestorOf(widget)) {
            return &panel;
        }
    }
    return nullptr;
}

int KeyboardFlow::boxNumber(const QObject* widget) const
{
    for (int number = 1; number <= 10; ++number) {
        if (form_.text(number) == widget) {
            return number;
        }
    }
    return 0;
}

bool KeyboardFlow::pressEnter(QWidget* widget)
{
    QAbstractButton* button = nullptr;
    if (qobject_cast<QPushButton*>(widget)) {
        button = static_cast<QAbstractButton*>(widget);
    } else if (const Panel* panel = panelOf(widget)) {
        // A password box or a direction option: the panel's Next.
        button = panel->next;
    }
    if (!button || !button->isVisible() || !button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

bool KeyboardFlow::backspaceInEmptyBox(QLineEdit* box)
{
    const int number = boxNumber(box);
    const Panel* panel = panelOf(box);
    if (!box->text().isEmpty() || !panel || number == panel->firstBox) {
        return false;
    }
    QLineEdit* previous = form_.text(number - 1);
    previous->clear();
    previous->setFocus(Qt::BacktabFocusReason);
    return true;
}

void KeyboardFlow::moveOnAfterDigit(int number, const QString& text)
{
    const Panel* panel = panelOf(form_.text(number));
    const bool lastBox = panel && number == panel->firstBox + kBoxesPerPanel - 1;
    if (text.size() == 1 && text.front().isDigit() && text.front().unicode() < 0x80 && !lastBox) {
        // Tab focus selects the next box's character, so typing replaces it.
        form_.text(number + 1)->setFocus(Qt::TabFocusReason);
    }
}

}  // namespace quilvane
