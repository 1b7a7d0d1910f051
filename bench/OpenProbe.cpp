// Open probe for quilvane_file_bench: the time from the file dialog's
// closing to the file's text shown in the real window's view, painted, for
// the file named on the command line. Prints it in milliseconds.
#include "gui/qt/Application.hpp"
#include "gui/qt/Form1.hpp"
#include "gui/qt/Wizard.hpp"
#include "transform/FileActions.hpp"

#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: quilvane_open_probe FILE\n", stderr);
        return 2;
    }
    const std::filesystem::path file = argv[1];
    QApplication app(argc, argv);
    quilvane::PrepareApplication(app);
    quilvane::Wizard wizard;
    wizard.form().frame(1)->hide();
    wizard.form().frame(4)->show();
    wizard.show();
    QTimer::singleShot(0, [&] {
        const auto start = std::chrono::steady_clock::now();
        // What Open file does once the dialog has given the file's name.
        quilvane::OpenDroppedFile(wizard.view(), file);
        wizard.form().richTextBox()->repaint();
        const std::chrono::duration<double, std::milli> shown = std::chrono::steady_clock::now() - start;
        if (!wizard.view().document().stamp.known()) {
            std::fputs("quilvane_open_probe: the file was not opened\n", stderr);
            std::_Exit(3);
        }
        std::printf("%.3f\n", shown.count());
        std::fflush(stdout);
        std::_Exit(0);
    });
    return QApplication::exec();
}
