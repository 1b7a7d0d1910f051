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

std::optional<std::filesystem::path> OneLocalFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1) {
        return std::nullopt;
    }
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).isDir()) {
        return std::nullopt;
    }
    return std::filesystem::path(QFile::encodeName(url.toLocalFile()).toStdString());
}

}  // namespace

FileDrop::FileDrop(Form1& form, std::function<void(const std::filesystem::path&)> open)
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
    const auto file = onFilePanel ? OneLocalFile(drop->mimeData()) : std::nullopt;
    if (!file) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Opened once the drop is over: the program the file came from is
        // not kept waiting while it is read.
        QMetaObject::invokeMethod(this, [this, path = *file] { open_(path); }, Qt::QueuedConnection);
    }
    return true;
}

}  // namespace quilvane
