// The window under a desktop theme that sets the program's font (qt6ct, as
// desktops outside GNOME and KDE use it), with an empty configuration or one
// that names a font, and without a theme: every caption is drawn in a face
// that has its characters and fits its place, message boxes keep the
// interface font, and names in any script show in the file dialog.
//
// The theme comes from the environment, set before the application starts:
// QUILVANE_TEST_THEME=qt6ct starts the program under qt6ct with a
// configuration of its own, whose general font is QUILVANE_TEST_THEME_FONT
// when that is set.
#include "ModalAnswers.hpp"
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>

#include <memory>

using quilvane::Wizard;
using quilvane::testing::ModalAnswers;

namespace {

QString ThemeFont() { return qEnvironmentVariable("QUILVANE_TEST_THEME_FONT"); }
bool UnderQt6ct() { return qEnvironmentVariable("QUILVANE_TEST_THEME") == "qt6ct"; }

QString Caption(const QWidget* control)
{
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return frame->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    return {};
}

// The controls of the form that show a caption.
QList<QWidget*> Captioned(Wizard& wizard)
{
    QList<QWidget*> controls;
    for (QWidget* control : wizard.form().findChildren<QWidget*>()) {
        if (!control->objectName().startsWith("qt_") && !Caption(control).isEmpty()) {
            controls << control;
        }
    }
    return controls;
}

// The characters of `text` that the face `font` is drawn in lacks (the
// system's fallback faces do not count: the caption is meant to be in one face).
QString Missing(const QFont& font, const QString& text)
{
    const QFontMetrics metrics(font);
    QString missing;
    for (const char32_t character : text.toUcs4()) {
        if (!metrics.inFontUcs4(character)) {
            missing += QString::fromUcs4(&character, 1);
        }
    }
    return missing;
}

// The widths of the caption in the control's own place, as the style lays
// the control out: where the caption needs more than the place, it is cut.
QString Clipped(QWidget* control)
{
    const QString caption = Caption(control);
    const QFontMetrics metrics(control->font());
    QStyle* style = control->style();
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QSize needed = label->sizeHint();
        if (needed.width() > label->width() || needed.height() > label->height()) {
            return QString("needs %1x%2 in %3x%4").arg(needed.width()).arg(needed.height()).arg(label->width()).arg(label->height());
        }
        return {};
    }
    QRect place;
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = caption;
        place = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = caption;
        place = style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        place = frame->rect();
        place.setLeft(metrics.averageCharWidth() / 2);  // the title starts a little in
    }
    const int width = metrics.horizontalAdvance(caption);
    if (width > place.width()) {
        return QString("needs %1 pixels in %2").arg(width).arg(place.width());
    }
    return {};
}

// The faces a text is drawn in, glyph run by glyph run, and whether any
// glyph is missing from all of them (drawn as a box).
struct Drawn {
    QStringList faces;
    bool boxes = false;
};

Drawn Draw(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    Drawn drawn;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        drawn.faces << run.rawFont().familyName();
        for (const quint32 glyph : run.glyphIndexes()) {
            drawn.boxes = drawn.boxes || glyph == 0;
        }
    }
    drawn.faces.removeDuplicates();
    return drawn;
}

bool WriteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("text\r\n") == 6;
}

}  // namespace

class ThemeFontTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        quilvane::PrepareApplication(*qApp);
        // The theme sets its font once the event loop runs.
        QTest::qWait(50);
    }

    // Without this the other cases would prove nothing about the theme.
    void theThemeReachedTheProgram()
    {
        if (!UnderQt6ct()) {
            QSKIP("started without a desktop theme");
        }
        QFile maps("/proc/self/maps");
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY2(maps.readAll().contains("libqt6ct.so"), "the qt6ct platform theme is not loaded");
        if (!ThemeFont().isEmpty()) {
            QFont expected;
            QVERIFY(expected.fromString(ThemeFont()));
            QCOMPARE(QApplication::font().family(), expected.family());
            QCOMPARE(QApplication::font().pointSize(), expected.pointSize());
        }
    }

    void everyCaptionIsInTheFaceItIsDrawnWith()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        QStringList faults;
        for (QWidget* control : Captioned(wizard)) {
            const QFontInfo face(control->font());
            if (face.pixelSize() != 12) {
                faults << control->objectName() + ": " + face.family() + QString(" at %1 px").arg(face.pixelSize());
            }
            if (const QString missing = Missing(control->font(), Caption(control)); !missing.isEmpty()) {
                faults << control->objectName() + ": " + face.family() + " lacks " + missing;
            }
        }
        QCOMPARE(faults, QStringList());
        QVERIFY(Captioned(wizard).size() > 20);
    }

    void noCaptionIsCut()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        QStringList faults;
        for (QWidget* control : Captioned(wizard)) {
            if (const QString clipped = Clipped(control); !clipped.isEmpty()) {
                faults << control->objectName() + ": " + clipped;
            }
        }
        QCOMPARE(faults, QStringList());
    }

    void messageBoxesKeepTheInterfaceFont()
    {
        Wizard wizard;
        wizard.show();
        ModalAnswers answers;
        QFont boxFont;
        QString missing = "(no message box)";
        answers.pressInMessageBox("确定");
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxFont = box->findChild<QLabel*>("qt_msgbox_label")->font();
                missing = Missing(boxFont, box->text());
            }
        });
        wizard.view().messageBox("密码必须为1-5这五个阿拉伯数字中的一个", 48, "密码设置出错");
        QCOMPARE(missing, QString());
        QCOMPARE(QFontInfo(boxFont).family(), QFontInfo(wizard.form().label(3)->font()).family());
        QCOMPARE(QFontInfo(boxFont).pixelSize(), 12);
    }

    // Names in other scripts come from the system's faces for them, as in
    // any program: none is a box, and Greek or Cyrillic letters are drawn in
    // the face of the Latin ones, not in the wide ones of a Chinese face.
    void theFileDialogShowsNamesInAnyScript()
    {
        QTemporaryDir dir;
        const QStringList names = {"plain.txt", "한국어.txt", "عربي.txt", "😀.txt", "Ελληνικά.txt",
                                   "Русский.txt", "中文.txt"};
        for (const QString& name : names) {
            QVERIFY(WriteFile(dir.filePath(name)));
        }
        Wizard wizard;
        wizard.view().setEndProgram([] {});
        wizard.show();
        wizard.view().setDialogFileName(QFile::encodeName(dir.filePath("plain.txt")).toStdString());

        QStringList shown;
        QFont listFont;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* list = dialog ? dialog->findChild<QListView*>("listView") : nullptr;
            if (!list || list->model()->rowCount(list->rootIndex()) < names.size()) {
                return;
            }
            for (int row = 0; row < names.size(); ++row) {
                shown << list->model()->index(row, 0, list->rootIndex()).data().toString();
            }
            listFont = list->font();
            dialog->reject();
        });
        poll.start();
        wizard.view().showOpen();
        poll.stop();

        QCOMPARE(shown.size(), names.size());
        const QStringList latin = Draw("plain.txt", listFont).faces;
        QStringList faults;
        for (const QString& name : shown) {
            const Drawn drawn = Draw(name, listFont);
            if (drawn.boxes) {
                faults << name + " shows boxes (" + drawn.faces.join(", ") + ")";
            }
            if ((name.startsWith("Ελ") || name.startsWith("Ру")) && drawn.faces != latin) {
                faults << name + " is drawn in " + drawn.faces.join(", ") + ", Latin in " + latin.join(", ");
            }
        }
        QCOMPARE(faults, QStringList());
    }
};

int main(int argc, char* argv[])
{
    // The theme's own configuration, in a folder of this run.
    QTemporaryDir config;
    if (UnderQt6ct()) {
        QDir(config.path()).mkpath("qt6ct");
        QFile settings(config.filePath("qt6ct/qt6ct.conf"));
        if (!ThemeFont().isEmpty() && settings.open(QIODevice::WriteOnly)) {
            settings.write("[Fonts]\ngeneral=\"" + ThemeFont().toUtf8() + "\"\n");
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        qputenv("QT_QPA_PLATFORMTHEME", "qt6ct");
    }
    QApplication app(argc, argv);
    ThemeFontTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ThemeFontTest.moc"
