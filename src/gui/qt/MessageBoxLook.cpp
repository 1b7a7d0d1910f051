#include "gui/qt/MessageBoxLook.hpp"

#include "gui/qt/FocusShown.hpp"
#include "gui/qt/InterfaceFont.hpp"

#include <QLabel>
#include <QMessageBox>

namespace quilvane {
namespace {

QString IconName(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Critical: return QStringLiteral("错误");
    case QMessageBox::Warning: return QStringLiteral("警告");
    case QMessageBox::Question: return QStringLiteral("问题");
    case QMessageBox::Information: return QStringLiteral("信息");
    default: return {};
    }
}

}  // namespace

void PrepareMessageBox(QMessageBox& box)
{
    box.setFont(InterfaceFont());
    ShowFocusAlways(box);
    // The picture beside the text is a label of Qt's own, named by Qt.
    if (auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"))) {
        icon->setAccessibleName(IconName(box.icon()));
    }
}

}  // namespace quilvane
