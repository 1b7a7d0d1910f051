// Saves a picture of the window on each of its five steps into a folder, one
// of the last step showing a UTF-8 Chinese file, and one of the launcher icon
// beside the window:
// quilvane_screenshots OUTPUT_DIR ICON_PNG (run it under a display, e.g. xvfb-run).
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The launcher icon with the entry's name under it, as a menu shows it, to
// the left of the window.
QPixmap LauncherBeside(const QPixmap& icon, const QPixmap& window)
{
    constexpr int kMargin = 24;
    const int tileWidth = icon.width() + 2 * kMargin;
    QPixmap picture(tileWidth + window.width() + kMargin, std::max(icon.height() + 60, window.height()) + 2 * kMargin);
    picture.fill(QColor(0x3C, 0x3F, 0x44));
    QPainter painter(&picture);
    painter.drawPixmap(kMargin, kMargin, icon);
    painter.setPen(Qt::white);
    QFont font = QApplication::font();
    font.setPixelSize(15);
    painter.setFont(font);
    painter.drawText(QRect(0, kMargin + icon.height() + 8, tileWidth, 50), Qt::AlignHCenter | Qt::AlignTop,
                     "Quilvane 2.0\n文本加密解密向导");
    painter.drawPixmap(tileWidth, kMargin, window);
    return picture;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR ICON_PNG\n", argv[0]);
        return 2;
    }
    const QPixmap icon(QString::fromLocal8Bit(argv[2]));
    if (icon.isNull()) {
        std::fprintf(stderr, "cannot read the icon %s\n", argv[2]);
        return 2;
    }
    quilvane::PrepareApplication(app);
    const QDir output(QString::fromLocal8Bit(argv[1]));
    quilvane::Wizard wizard;
    wizard.show();

    int failures = 0;
    QTimer::singleShot(500, [&] {
        const auto showOnly = [&](int step) {
            for (int i = 1; i <= 5; ++i) {
                wizard.form().frame(i)->setVisible(i == step);
            }
            QApplication::processEvents();
        };
        const auto save = [&](const QPixmap& picture, const QString& name) {
            const QString path = output.filePath(name);
            if (!picture.save(path)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                ++failures;
            }
        };
        for (int step = 1; step <= 5; ++step) {
            showOnly(step);
            save(wizard.form().grab(), QString("step%1.png").arg(step));
        }
        wizard.view().setDocument({.excerpt = "春眠不觉晓，\r\n处处闻啼鸟。\r\n夜来风雨声，\r\n花落知多少。\r\n"});
        showOnly(4);
        save(wizard.form().grab(), "utf8.png");
        wizard.view().setDocument({});
        showOnly(1);
        save(LauncherBeside(icon, wizard.form().grab()), "icon.png");
        QApplication::exit(failures);
    });
    return QApplication::exec();
}
