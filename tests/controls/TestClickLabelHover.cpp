#include "TestMain.h"

#include "controls/ClickLabel.h"

#include <QEnterEvent>

using namespace velmo;

// A link label is underlined and blue exactly while the mouse is over it.
class TestClickLabelHover : public QObject
{
    Q_OBJECT

private slots:
    void linkUnderlinedOnHover()
    {
        // The skin sets every widget's font, as the program's skin file does.
        qApp->setStyleSheet(QStringLiteral("QWidget { font-size: 9pt; }"));
        QWidget window;
        auto* link = new ClickLabel(QStringLiteral("找回密码"), &window);
        link->setLinkLook(true);
        window.show();
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        link->ensurePolished();
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(link->foregroundRole()), QColor(0, 0, 255));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        link->ensurePolished();
        QVERIFY(!link->font().underline());
    }
};

VELMO_TEST_MAIN(TestClickLabelHover)
#include "TestClickLabelHover.moc"
