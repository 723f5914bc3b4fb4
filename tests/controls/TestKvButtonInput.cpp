#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvButton.h"

#include <QMenu>

#include <memory>

using namespace velmo;
using namespace velmo::gdi;

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void move(QWidget* w, QPoint pos, Qt::MouseButtons held = Qt::NoButton)
{
    mouse(w, QEvent::MouseMove, pos, Qt::NoButton, held);
}

void click(QWidget* w, QPoint pos = QPoint(10, 10))
{
    mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, pos);
}

void leave(QWidget* w)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}

void key(QWidget* w, QEvent::Type type, int k, Qt::KeyboardModifiers mods = Qt::NoModifier,
         bool repeat = false)
{
    const QString text = k == Qt::Key_Space                   ? QStringLiteral(" ")
                         : k == Qt::Key_Return                ? QStringLiteral("\r")
                         : (k >= Qt::Key_A && k <= Qt::Key_Z) ? QString(QChar(k)).toLower()
                                                              : QString();
    QKeyEvent event(type, k, mods, text, repeat);
    QApplication::sendEvent(w, &event);
}

// Records the button's events by name, in order.
QStringList* recordEvents(KvButton* b)
{
    auto* log = new QStringList;
    QObject::connect(b, &QObject::destroyed, [log] { delete log; });
    QObject::connect(b, &KvButton::Click, [log](int index) { *log << QStringLiteral("Click%1").arg(index); });
    QObject::connect(b, &KvButton::DblClick, [log] { *log << QStringLiteral("DblClick"); });
    QObject::connect(b, &KvButton::MouseEnter, [log] { *log << QStringLiteral("MouseEnter"); });
    QObject::connect(b, &KvButton::MouseLeave, [log] { *log << QStringLiteral("MouseLeave"); });
    QObject::connect(b, &KvButton::MouseDown, [log](int button, int, double, double) {
        *log << QStringLiteral("MouseDown%1").arg(button);
    });
    QObject::connect(b, &KvButton::MouseUp, [log](int button, int, double, double) {
        *log << QStringLiteral("MouseUp%1").arg(button);
    });
    QObject::connect(b, &KvButton::KeyDown,
                     [log](int code, int) { *log << QStringLiteral("KeyDown%1").arg(code); });
    QObject::connect(b, &KvButton::KeyUp,
                     [log](int code, int) { *log << QStringLiteral("KeyUp%1").arg(code); });
    return log;
}

PropertyBag buttonSet(int mode, const QString& caption = QString())
{
    return PropertyBag{{QStringLiteral("ButtonStyle"), 8},
                       {QStringLiteral("Caption"), caption},
                       {QStringLiteral("BackColor"), 0xFDECE0u},
                       {QStringLiteral("Mode"), mode}};
}

// Makes a shown window the active one, as the window system does.
bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A shown, active host window.
struct Host
{
    QWidget window;

    Host()
    {
        window.setGeometry(100, 100, 400, 200);
        window.show();
        activate(&window);
    }

    KvButton* add(const PropertyBag& set, QPoint at, int index = -1, const KvButtonHost& host = {})
    {
        return add(set, &window, at, index, host);
    }

    static KvButton* add(const PropertyBag& set, QWidget* parent, QPoint at, int index = -1,
                         const KvButtonHost& host = {})
    {
        auto* b = new KvButton(set, parent, index, host);
        b->setGeometry(QRect(at, QSize(105, 39)));
        b->show();
        return b;
    }
};

} // namespace

class TestKvButtonInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    void clickAndDoubleClickOrder()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(0, 0), 4);
        QStringList& log = *recordEvents(b);
        click(b);
        QCOMPARE(log, (QStringList{"MouseDown1", "Click4", "MouseUp1"}));
        QCOMPARE(b->model().run.buttonState, int(KvNormal));

        // A release on the first column or row is not a click.
        log.clear();
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        mouse(b, QEvent::MouseButtonRelease, QPoint(0, 10));
        QCOMPARE(log, (QStringList{"MouseDown1", "MouseUp1"}));

        // The right button presses nothing, but its release is reported.
        log.clear();
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::RightButton);
        QCOMPARE(log, (QStringList{"MouseUp2"}));

        log.clear();
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        mouse(b, QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(b->model().run.buttonState, int(KvDown));
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        QCOMPARE(log, (QStringList{"MouseDown1", "Click4", "MouseUp1", "MouseDown1", "DblClick", "Click4",
                                   "MouseUp1"}));
    }

    void checkAndOptionModes()
    {
        Host host;
        KvButton* check = host.add(buttonSet(KvCheck), QPoint(0, 150));
        click(check);
        QVERIFY(check->value());
        QCOMPARE(check->model().run.buttonState, int(KvDown)); // a checked button is drawn down
        click(check);
        QVERIFY(!check->value());

        QWidget* groupA = new QWidget(&host.window);
        QWidget* groupB = new QWidget(&host.window);
        groupA->setGeometry(0, 0, 400, 50);
        groupB->setGeometry(0, 60, 400, 50);
        groupA->show();
        groupB->show();
        KvButton* a1 = Host::add(buttonSet(KvOption), groupA, QPoint(0, 0));
        KvButton* a2 = Host::add(buttonSet(KvOption), groupA, QPoint(110, 0));
        KvButton* push = Host::add(buttonSet(KvPush), groupA, QPoint(220, 0));
        KvButton* b1 = Host::add(buttonSet(KvOption), groupB, QPoint(0, 0));
        b1->setValue(true);
        click(a1);
        QVERIFY(a1->value());
        click(a2);
        QVERIFY(!a1->value());
        QVERIFY(a2->value());
        QVERIFY(b1->value()); // another container is another group
        click(push);
        QVERIFY(a2->value()); // push buttons take no part
        QCOMPARE(a1->model().run.buttonState, int(KvNormal));
        KV_PIXEL(a2->faceImage(), 52, 1, rgb(255, 216, 165)); // the checked face
    }

    void hoverLeaveAndDrag()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(0, 0));
        QStringList& log = *recordEvents(b);
        move(b, QPoint(20, 20));
        QCOMPARE(b->model().run.buttonState, int(KvHot));
        QVERIFY(b->model().run.mouseOver);
        move(b, QPoint(21, 20));
        leave(b);
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        QCOMPARE(log, (QStringList{"MouseEnter", "MouseEnter", "MouseLeave"}));

        // Dragging out and back: normal outside, down again inside, a click on release inside.
        log.clear();
        mouse(b, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton, Qt::LeftButton);
        move(b, QPoint(200, 20), Qt::LeftButton);
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        QVERIFY(!b->model().run.mouseOver);
        move(b, QPoint(30, 20), Qt::LeftButton);
        QCOMPARE(b->model().run.buttonState, int(KvDown));
        mouse(b, QEvent::MouseButtonRelease, QPoint(30, 20));
        QCOMPARE(log, (QStringList{"MouseDown1", "MouseEnter", "Click-1", "MouseUp1"}));

        // Without leave notices the button stays hot.
        KvButtonHost noTracking;
        noTracking.probes.trackMouseLeave = false;
        KvButton* blind = host.add(buttonSet(KvPush), QPoint(0, 50), -1, noTracking);
        QStringList& blindLog = *recordEvents(blind);
        move(blind, QPoint(20, 20));
        leave(blind);
        QCOMPARE(blind->model().run.buttonState, int(KvHot));
        QCOMPARE(blindLog, QStringList{"MouseEnter"});
    }

    void spaceAndEnterRules()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvCheck), QPoint(0, 0), 1);
        QStringList& log = *recordEvents(b);
        key(b, QEvent::KeyPress, Qt::Key_Space);
        QVERIFY(b->value()); // changed at once
        QCOMPARE(b->model().run.buttonState, int(KvDown));
        key(b, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true); // auto-repeat changes nothing
        QVERIFY(b->value());
        key(b, QEvent::KeyRelease, Qt::Key_Space);
        QCOMPARE(log, (QStringList{"KeyDown32", "KeyDown32", "Click1", "KeyUp32"}));

        // Enter clicks on key down; releasing it raises nothing.
        log.clear();
        key(b, QEvent::KeyPress, Qt::Key_Return);
        key(b, QEvent::KeyRelease, Qt::Key_Return);
        QCOMPARE(log, (QStringList{"Click1", "KeyDown13"}));

        // Alt+Space is passed over entirely.
        log.clear();
        key(b, QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(log.isEmpty());
        QVERIFY(!b->model().run.spaceDown);

        // Another key cancels a held Space: no click, but the value keeps its change.
        log.clear();
        const bool before = b->value();
        key(b, QEvent::KeyPress, Qt::Key_Space);
        key(b, QEvent::KeyPress, Qt::Key_A);
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        key(b, QEvent::KeyRelease, Qt::Key_A);
        key(b, QEvent::KeyRelease, Qt::Key_Space);
        QCOMPARE(log, (QStringList{"KeyDown32", "KeyDown65", "KeyUp32"}));
        QCOMPARE(b->value(), !before);

        // While Space is held, moves and the leave notice change nothing.
        KvButton* push = host.add(buttonSet(KvPush), QPoint(0, 50));
        QStringList& pushLog = *recordEvents(push);
        key(push, QEvent::KeyPress, Qt::Key_Space);
        move(push, QPoint(20, 20));
        leave(push);
        QCOMPARE(push->model().run.buttonState, int(KvDown));
        key(push, QEvent::KeyRelease, Qt::Key_Space);
        QCOMPARE(push->model().run.buttonState, int(KvNormal)); // released away from the pointer
        QCOMPARE(pushLog, (QStringList{"KeyDown32", "MouseEnter", "Click-1", "KeyUp32"}));
    }

    void keyPressNeverLeavesTheMouseCaptured()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(0, 0));
        KvButton* other = host.add(buttonSet(KvPush), QPoint(0, 50));
        b->setFocus();
        key(b, QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(QWidget::mouseGrabber(), b);
        key(b, QEvent::KeyPress, Qt::Key_A);
        QCOMPARE(QWidget::mouseGrabber(), nullptr);

        key(b, QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(QWidget::mouseGrabber(), b);
        other->setFocus();
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        QVERIFY(!b->model().run.spaceDown);

        key(other, QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(QWidget::mouseGrabber(), other);
        QWidget elsewhere;
        elsewhere.show();
        QVERIFY(activate(&elsewhere));
        QVERIFY(!other->model().run.parentActive);
        QCOMPARE(QWidget::mouseGrabber(), nullptr);

        QVERIFY(activate(&host.window));
        key(other, QEvent::KeyPress, Qt::Key_Space);
        QCOMPARE(QWidget::mouseGrabber(), other);
        delete other;
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
    }

    void buttonsOnOneHostGoAwayInAnyOrder()
    {
        for (const QList<int>& order :
             {QList<int>{0, 1, 2, 3}, QList<int>{3, 1, 0, 2}, QList<int>{2, 3, 1, 0}}) {
            auto host = std::make_unique<Host>();
            QList<KvButton*> buttons;
            for (int i = 0; i < 4; ++i)
                buttons << host->add(buttonSet(KvOption), QPoint(0, i * 40), i);
            QWidget elsewhere;
            elsewhere.show();
            for (int index : order) {
                delete buttons[index];
                buttons[index] = nullptr;
                QVERIFY(activate(&elsewhere));
                QVERIFY(activate(&host->window));
                for (KvButton* b : buttons)
                    if (b)
                        QVERIFY(b->model().run.parentActive);
            }
        }
        // The host may also go first, taking its buttons with it.
        auto host = std::make_unique<Host>();
        host->add(buttonSet(KvOption), QPoint(0, 0));
        host->add(buttonSet(KvOption), QPoint(0, 40));
        host.reset();
        QWidget elsewhere;
        elsewhere.show();
        QVERIFY(activate(&elsewhere));
    }

    void activationFocusAndArrowKeys()
    {
        Host host;
        KvButton* b1 = host.add(buttonSet(KvPush), QPoint(0, 0));
        KvButton* b2 = host.add(buttonSet(KvPush), QPoint(0, 40));
        KvButton* b3 = host.add(buttonSet(KvPush), QPoint(0, 80));
        QVERIFY(b2->model().run.parentActive);
        b2->setFocus();
        QVERIFY(b2->model().run.hasFocus);
        key(b2, QEvent::KeyPress, Qt::Key_Right);
        QVERIFY(b3->hasFocus());
        QVERIFY(!b2->model().run.hasFocus);
        key(b3, QEvent::KeyPress, Qt::Key_Up);
        QVERIFY(b2->hasFocus());
        key(b2, QEvent::KeyPress, Qt::Key_Left);
        QVERIFY(b1->hasFocus());

        move(b1, QPoint(10, 10));
        mouse(b1, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QWidget elsewhere;
        elsewhere.show();
        QVERIFY(activate(&elsewhere));
        const KvButtonRuntime& run = b1->model().run;
        QVERIFY(!run.parentActive && !run.hasFocus && !run.isPressed);
        QCOMPARE(run.buttonState, int(KvNormal));
        QVERIFY(activate(&host.window));
        QVERIFY(b1->model().run.parentActive);
    }

    void tooltipContent()
    {
        Host host;
        PropertyBag set = buttonSet(KvPush);
        set.write(QStringLiteral("ToolTip"), QStringLiteral("新建一条备忘"));
        set.write(QStringLiteral("TooltipTitle"), QStringLiteral("新建"));
        set.write(QStringLiteral("TooltipIcon"), 1);
        set.write(QStringLiteral("TooltipType"), 1);
        set.write(QStringLiteral("TooltipBackColor"), 0x80000018u);
        KvButton* b = host.add(set, QPoint(0, 0));
        QVERIFY(b->toolTipContent().text.isEmpty());
        move(b, QPoint(10, 10));
        KvToolTipContent tip = b->toolTipContent();
        QCOMPARE(tip.text, QStringLiteral("新建一条备忘"));
        QCOMPARE(tip.title, QStringLiteral("新建"));
        QCOMPARE(tip.icon, 1);
        QVERIFY(tip.balloon);
        QCOMPARE(tip.maxWidth, 240);
        QCOMPARE(tip.backColor, rgb(255, 255, 225));
        QVERIFY(b->toolTip().isEmpty()); // only the button's own tip shows

        QHelpEvent help(QEvent::ToolTip, QPoint(10, 10), b->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(b, &help);
        QVERIFY(b->toolTipWindow() && b->toolTipWindow()->isVisible());
        QCOMPARE(b->toolTipWindow()->palette().color(QPalette::Window), QColor(255, 255, 225));
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!b->toolTipWindow()->isVisible());
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));

        b->setTooltipBackColor(0);
        move(b, QPoint(12, 10));
        QCOMPARE(b->toolTipContent().backColor, kNoColor);

        // No tooltip is prepared for a checked, a held or a disabled button.
        set.write(QStringLiteral("Mode"), 2);
        set.write(QStringLiteral("Value"), -1);
        KvButton* checked = host.add(set, QPoint(0, 50));
        move(checked, QPoint(10, 10));
        QVERIFY(checked->toolTipContent().text.isEmpty());
        QHelpEvent again(QEvent::ToolTip, QPoint(10, 10), checked->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(checked, &again);
        QVERIFY(!checked->toolTipWindow());
        set.write(QStringLiteral("Value"), 0);
        set.write(QStringLiteral("Enabled"), 0);
        KvButton* disabled = host.add(set, QPoint(0, 100));
        move(disabled, QPoint(10, 10));
        QVERIFY(disabled->toolTipContent().text.isEmpty());
    }

    void dropDownMenu()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(20, 20));
        QStringList& log = *recordEvents(b);
        QMenu menu(&host.window);
        menu.addAction(QStringLiteral("一"));
        QAction* bold = menu.addAction(QStringLiteral("二"));
        b->setPopupMenu(&menu, 7, 0, bold);
        QCursor::setPos(host.window.mapToGlobal(QPoint(390, 190)));

        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), b->mapToGlobal(QPoint(105, 39)));
        QCOMPARE(menu.defaultAction(), bold);
        QCOMPARE(b->model().run.buttonState, int(KvDown));
        menu.hide(); // closed away from the button
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        QVERIFY(!b->model().run.isPressed);

        // Closed over the button: the click that closed it does not open it again.
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(menu.isVisible());
        QCursor::setPos(b->mapToGlobal(QPoint(10, 10)));
        menu.hide();
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!menu.isVisible());
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(menu.isVisible());
        menu.hide();
        QVERIFY(log.isEmpty()); // no Click, MouseDown or MouseUp while a menu is attached

        // Above the button: the menu's bottom edge on the button's top edge.
        QCursor::setPos(host.window.mapToGlobal(QPoint(390, 190)));
        b->setPopupMenu(&menu, 1, 0);
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(menu.pos(), b->mapToGlobal(QPoint(0, 0)) - QPoint(0, menu.sizeHint().height()));
        menu.hide();

        // An unknown alignment shows nothing; without a menu the button clicks again.
        b->setPopupMenu(&menu, 8, 0);
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!menu.isVisible());
        b->unsetPopupMenu();
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        log.clear();
        click(b);
        QCOMPARE(log, (QStringList{"MouseDown1", "Click-1", "MouseUp1"}));
    }

    void accessKeys()
    {
        Host host;
        KvButton* check = host.add(buttonSet(KvCheck, QStringLiteral("&Save")), QPoint(0, 0), 3);
        QStringList& log = *recordEvents(check);
        QTest::keyClick(&host.window, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(log, QStringList{"Click3"});
        QVERIFY(check->value());
        check->accessKeyPress(13); // Enter or Escape does nothing on a check button
        check->accessKeyPress(27);
        QCOMPARE(log.size(), 1);

        KvButton* push = host.add(buttonSet(KvPush, QStringLiteral("&Open")), QPoint(0, 50), 5);
        QStringList& pushLog = *recordEvents(push);
        push->accessKeyPress(13);
        QCOMPARE(pushLog, QStringList{"Click5"});
        push->setEnabled(false);
        push->accessKeyPress('o');
        QCOMPARE(pushLog.size(), 1);
    }
};

VELMO_TEST_MAIN(TestKvButtonInput)
#include "TestKvButtonInput.moc"
