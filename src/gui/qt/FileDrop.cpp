#include "gui/qt/FileDrop.hpp"

#include "gui/qt/Form1.hpp"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMimeData>
#include <QMetaObject>
#include <QUrl>

#include <optional>

namespace quilvane {
namespace {

// Every one a local file, or none taken.
std::optional<std::vector<std::filesystem::path>> LocalFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty()) {
        return std::nullopt;
    }
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).isDir()) {
            return std::nullopt;
        }
        files.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return files;
}

}  // namespace

FileDrop::FileDrop(Form1& form, std::function<void(const std::vector<std::filesystem::path>&)> open)
    : form_(form), open_(std::move(open))
{
    form_.setAcceptDrops(true);
    form_.installEventFilter(this);
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (watched != &form_ || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
        return false;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const bool onFilePanel = form_.frame(4)->isVisible() || form_.frame(5)->isVisible();
    auto files = onFilePanel ? LocalFiles(drop->mimeData()) : std::nullopt;
    if (!files) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Opened once the drop is over: the program the file came from is
        // not kept waiting while it is read.
        QMetaObject::invokeMethod(
            this, [this, paths = std::move(*files)] { open_(paths); }, Qt::QueuedConnection);
    }
    return true;
}

}  // namespace quilvane
