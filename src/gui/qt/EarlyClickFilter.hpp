#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

namespace quilvane {

// While it lives, the dialog it watches takes no mouse press within the
// double-click time of being shown. An action may end between the two
// clicks of a double click; its message box then comes up under the
// pointer, and the second click would answer it before the user has seen
// it. Keys are taken as always. Made just before the dialog is shown.
class EarlyClickFilter : public QObject {
public:
    explicit EarlyClickFilter(QWidget& dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer sinceShown_;
};

}  // namespace quilvane
