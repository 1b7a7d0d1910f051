#pragma once

#include <QObject>

#include <filesystem>
#include <functional>

namespace quilvane {

class Form1;

// Takes one file dropped on the window while a file panel (Frame4, Frame5)
// shows, and hands it on to be opened. Several files, a folder, anything
// that is not a local file, or a drop on another panel is refused as it
// comes over the window, so the pointer shows the refusal.
class FileDrop : public QObject {
public:
    FileDrop(Form1& form, std::function<void(const std::filesystem::path&)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form1& form_;
    std::function<void(const std::filesystem::path&)> open_;
};

}  // namespace quilvane
