#pragma once

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QLabel;

namespace quilvane {

// The one window: five step panels stacked in one place, their controls,
// captions, places, tab order and pointers. Every control carries its name
// as objectName, so the program and the tests find it by that name.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    QGroupBox* frame(int number) const;          // Frame1..Frame5
    QPushButton* command(int number) const;      // Command1..Command11
    QLineEdit* text(int number) const;           // Text1..Text10
    QRadioButton* option(int number) const;      // Option1, Option2
    QLabel* label(int number) const;             // Label1..Label8
    QPlainTextEdit* richTextBox() const;         // RichTextBox1

    // Centres the window on its screen, as it opens.
    void centreOnScreen();

private:
    template <typename T>
    T* named(const QString& name) const;
};

}  // namespace quilvane
