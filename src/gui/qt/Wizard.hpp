#pragma once

#include "gui/qt/ActionRunner.hpp"
#include "gui/qt/FileDrop.hpp"
#include "gui/qt/Form1.hpp"
#include "gui/qt/QtWizardView.hpp"

#include <QObject>

#include <functional>

namespace quilvane {

// The window with every control event bound to its handler.
class Wizard : public QObject {
    Q_OBJECT
public:
    Wizard();

    Form1& form() { return form_; }
    QtWizardView& view() { return view_; }
    // True while a handler runs: the window then takes no input.
    bool busy() const { return runner_.running(); }

    // Shows the window centred on the screen, focus on the first Next button.
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void act(const std::function<void()>& handler);

    Form1 form_;
    QtWizardView view_;
    ActionRunner runner_;
    FileDrop drop_;
};

}  // namespace quilvane
