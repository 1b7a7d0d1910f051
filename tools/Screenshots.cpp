// Saves a picture of the window on each of its five steps into a folder:
// quilvane_screenshots OUTPUT_DIR (run it under a display, e.g. xvfb-run).
#include "wizard/Application.hpp"
#include "wizard/Wizard.hpp"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    quilvane::PrepareApplication(app);
    const QDir output(QString::fromLocal8Bit(argv[1]));
    quilvane::Wizard wizard;
    wizard.show();

    int failures = 0;
    QTimer::singleShot(500, [&] {
        for (int step = 1; step <= 5; ++step) {
            for (int i = 1; i <= 5; ++i) {
                wizard.form().frame(i)->setVisible(i == step);
            }
            QApplication::processEvents();
            const QString path = output.filePath(QString("step%1.png").arg(step));
            if (!wizard.form().grab().save(path)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                ++failures;
            }
        }
        QApplication::exit(failures);
    });
    return QApplication::exec();
}
