#pragma once

#include "gui/qt/Wizard.hpp"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>

namespace quilvane::testing {

// One run of the program: the window shown, its end recorded instead of
// quitting the test, its dialogs answered by `Answers`.
template <typename Answers>
struct Session {
    Session()
    {
        wizard.view().setEndProgram([this] { ended = true; });
        wizard.show();
    }
    Wizard wizard;
    bool ended = false;
    Answers answers;
};

// The key file the password steps write beside the test program: a test
// that walks a road removes it before and after.
inline QString KeyFileBesideTheProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/temp.jxv");
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

}  // namespace quilvane::testing
