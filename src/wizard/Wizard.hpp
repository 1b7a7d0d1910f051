#pragma once

#include "platform/QtWizardView.hpp"
#include "wizard/Form1.hpp"

#include <QObject>

namespace quilvane {

// The window with every control event bound to its handler.
class Wizard : public QObject {
    Q_OBJECT
public:
    Wizard();

    Form1& form() { return form_; }
    QtWizardView& view() { return view_; }

    // Shows the window centred on the screen, focus on the first Next button.
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form1 form_;
    QtWizardView view_;
};

}  // namespace quilvane
