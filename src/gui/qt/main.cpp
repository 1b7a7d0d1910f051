#include "gui/qt/Application.hpp"
#include "gui/qt/CommandLine.hpp"
#include "gui/qt/FontConfigurationEarly.hpp"
#include "gui/qt/Wizard.hpp"

#include <QApplication>

#include <algorithm>
#include <cstdio>

namespace {

std::vector<std::string> Arguments(int argc, char* argv[])
{
    return {argv + std::min(argc, 1), argv + argc};
}

}  // namespace

int main(int argc, char* argv[])
{
    using Request = quilvane::CommandLine::Request;
    // Help and the version are answered before any window, so without a display.
    const quilvane::CommandLine asked = quilvane::ReadCommandLine(Arguments(argc, argv));
    if (asked.request == Request::Help || asked.request == Request::Version) {
        std::fputs((asked.request == Request::Help ? quilvane::HelpText() : quilvane::VersionText()).c_str(), stdout);
        return 0;
    }
    const std::jthread fontConfiguration = quilvane::ReadFontConfigurationEarly();
    QApplication app(argc, argv);
    // Without Qt's own options, which QApplication has taken.
    const quilvane::CommandLine line = quilvane::ReadCommandLine(Arguments(argc, argv));
    if (line.request == Request::UsageError) {
        std::fputs(line.error.c_str(), stderr);
        return 2;
    }
    quilvane::PrepareApplication(app);
    quilvane::Wizard wizard;
    wizard.view().setStartFiles(line.startFiles);
    wizard.show();
    return QApplication::exec();
}
