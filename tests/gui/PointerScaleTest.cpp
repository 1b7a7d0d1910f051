// The pointers of the panels and buttons grow with the screen's scale
// (QT_SCALE_FACTOR), as the system's own pointers do: each image is drawn at
// the scale in device pixels, and its hot spot stays on the same point of
// the drawing.
#include "gui/qt/Application.hpp"
#include "gui/qt/Wizard.hpp"

#include <QGroupBox>
#include <QPushButton>
#include <QTest>

using quilvane::Wizard;

class PointerScaleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quilvane::PrepareApplication(*qApp); }

    void theScaleIsTheOneAsked()
    {
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        const qreal asked = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
        QCOMPARE(wizard.form().devicePixelRatio(), asked);
    }

    void pointersAreDrawnAtTheScreensScale_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("size");  // at a scale of 1
        QTest::addColumn<QPoint>("hotSpot");
        for (int frame = 1; frame <= 5; ++frame) {
            QTest::addRow("Frame%d", frame) << QString("Frame%1").arg(frame) << 32 << QPoint(3, 1);
        }
        QTest::newRow("next") << "Command1" << 32 << QPoint(27, 15);
        QTest::newRow("previous") << "Command7" << 32 << QPoint(4, 15);
        QTest::newRow("open") << "Command9" << 32 << QPoint(15, 15);
        QTest::newRow("key") << "Command5" << 16 << QPoint(15, 7);
        QTest::newRow("exit") << "Command11" << 32 << QPoint(15, 15);
    }
    void pointersAreDrawnAtTheScreensScale()
    {
        QFETCH(QString, control);
        QFETCH(int, size);
        QFETCH(QPoint, hotSpot);
        Wizard wizard;
        wizard.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wizard.form()));
        QWidget* widget = wizard.form().findChild<QWidget*>(control);
        QVERIFY(widget);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(widget, &enter);

        const qreal scale = widget->devicePixelRatio();
        const QCursor pointer = widget->cursor();
        QCOMPARE(pointer.shape(), Qt::BitmapCursor);
        QCOMPARE(pointer.pixmap().size(), QSize(size, size) * scale);
        QCOMPARE(pointer.pixmap().devicePixelRatio(), scale);
        QCOMPARE(pointer.hotSpot(), hotSpot);  // in the window's pixels, off X11
        // Whole scales copy each pixel of the drawing, hard edges kept.
        if (scale == 2) {
            const QImage image = pointer.pixmap().toImage();
            for (int y = 0; y < image.height(); y += 2) {
                for (int x = 0; x < image.width(); x += 2) {
                    QCOMPARE(image.pixel(x + 1, y + 1), image.pixel(x, y));
                }
            }
        }
    }
};

QTEST_MAIN(PointerScaleTest)
#include "PointerScaleTest.moc"
