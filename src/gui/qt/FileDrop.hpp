#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <vector>

namespace quilvane {

class Form1;

// Takes the files dropped on the window while a file panel (Frame4, Frame5)
// shows, and hands them on to be opened, one or several. A folder, anything
// that is not a local file, or a drop on another panel is refused as it
// comes over the window, so the pointer shows the refusal.
class FileDrop : public QObject {
public:
    FileDrop(Form1& form, std::function<void(const std::vector<std::filesystem::path>&)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form1& form_;
    std::function<void(const std::vector<std::filesystem::path>&)> open_;
};

}  // namespace quilvane
