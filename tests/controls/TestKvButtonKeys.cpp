#include "TestMain.h"

#include "controls/kvbutton/KvButton.h"
#include "controls/kvbutton/KvToolTip.h"

#include <QDialog>
#include <QHelpEvent>
#include <QPushButton>
#include <QSignalSpy>

using namespace velmo;

namespace {

PropertyBag buttonSet()
{
    return PropertyBag{{QStringLiteral("ButtonStyle"), 8},
                       {QStringLiteral("Caption"), QStringLiteral("确定")},
                       {QStringLiteral("Mode"), 2},
                       {QStringLiteral("ToolTip"), QStringLiteral("提示")}};
}

} // namespace

// What the image button leaves to its host: keys it has no use for, and no tip while disabled.
class TestKvButtonKeys : public QObject
{
    Q_OBJECT

private slots:
    void unhandledKeysReachTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("withDefault");
        QTest::addColumn<int>("rejected");
        QTest::addColumn<int>("defaultClicks");
        QTest::addColumn<int>("buttonClicks");
        QTest::newRow("Esc closes the dialog") << int(Qt::Key_Escape) << true << 1 << 0 << 0;
        QTest::newRow("Enter reaches the default button") << int(Qt::Key_Return) << true << 0 << 1 << 0;
        QTest::newRow("Enter without a default button clicks") << int(Qt::Key_Return) << false << 0 << 0 << 1;
        QTest::newRow("Space clicks on release") << int(Qt::Key_Space) << true << 0 << 0 << 1;
    }

    void unhandledKeysReachTheDialog()
    {
        QFETCH(int, key);
        QFETCH(bool, withDefault);
        QDialog dialog;
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setAutoDefault(false);
        ok->setDefault(withDefault);
        auto* button = new KvButton(buttonSet(), &dialog, 0);
        button->setGeometry(0, 40, 105, 39);
        dialog.show();
        button->setFocus();
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QSignalSpy defaultClicks(ok, &QPushButton::clicked);
        QSignalSpy buttonClicks(button, &KvButton::Click);
        QTest::keyClick(button, Qt::Key(key));
        QTEST(int(rejected.count()), "rejected");
        QTEST(int(defaultClicks.count()), "defaultClicks");
        QTEST(int(buttonClicks.count()), "buttonClicks");
    }

    void disabledButtonShowsNoTip()
    {
        QWidget host;
        auto* button = new KvButton(buttonSet(), &host, 0);
        button->setGeometry(0, 0, 105, 39);
        host.show();
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(button->mapToGlobal(QPoint(10, 10))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move); // hovered while enabled: the tip is prepared
        button->setEnabled(false);
        QHelpEvent help(QEvent::ToolTip, QPoint(10, 10), button->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(button, &help);
        QVERIFY(!button->toolTipWindow() || !button->toolTipWindow()->isVisible());
    }
};

VELMO_TEST_MAIN(TestKvButtonKeys)
#include "TestKvButtonKeys.moc"
