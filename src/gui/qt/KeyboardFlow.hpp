#pragma once

#include <QObject>

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace quilvane {

class Form1;

// What the keyboard does on the window beyond Tab: each panel that appears
// takes the focus on its first password box or its "打开文件" button; Enter
// presses the focused button (in a password box or on an option, the panel's
// "下一步"); a digit typed into a password box moves on to the next box, and
// Backspace in an empty box goes back one box and empties it. Buttons are
// pressed through the buttons themselves, so a key press runs exactly what a
// mouse click runs.
class KeyboardFlow : public QObject {
public:
    explicit KeyboardFlow(Form1& form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Panel {
        QWidget* frame;
        QWidget* firstFocus;
        QAbstractButton* next;  // nullptr on the file panels
        int firstBox;           // 0 on panels without password boxes
    };

    const Panel* panelOf(const QWidget* widget) const;
    int boxNumber(const QObject* widget) const;  // 1..10, 0 for anything else
    bool pressEnter(QWidget* widget);
    bool backspaceInEmptyBox(QLineEdit* box);
    void moveOnAfterDigit(int boxNumber, const QString& text);

    Form1& form_;
    Panel panels_[5];
};

}  // namespace quilvane
