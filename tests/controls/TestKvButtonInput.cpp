#include "TestKvButtonKit.h"
#include "TestMain.h"

#include "controls/kvbutton/KvButton.h"

#include <QDialog>
#include <QMenu>
#include <QPushButton>

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

void click(QWidget* w, QPoint pos = QPoint(10, 10))
{
    mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, pos);
}

void key(QWidget* w, QEvent::Type type, int k, Qt::KeyboardModifiers mods = Qt::NoModifier,
         bool repeat = false)
{
    QKeyEvent event(type, k, mods, k == Qt::Key_Space ? QStringLiteral(" ") : QString(), repeat);
    QApplication::sendEvent(w, &event);
}

PropertyBag buttonSet(int mode, const QString& caption = QString())
{
    return PropertyBag{{"ButtonStyle", 8},
                       {"Caption", caption},
                       {"BackColor", 0xFDECE0u},
                       {"ToolTip", QStringLiteral("新建一条备忘")},
                       {"Mode", mode}};
}

// Makes a shown window the active one, as the window system does.
bool activate(QWidget* window)
{
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A shown, active dialog with an "OK" button beside its image buttons, and the events of the buttons
// it records, by name and in order.
struct Host
{
    QStringList log;
    QDialog window;
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), &window);

    explicit Host(bool okIsDefault = false)
    {
        ok->setAutoDefault(false);
        ok->setDefault(okIsDefault);
        ok->setGeometry(300, 150, 80, 30);
        window.setGeometry(100, 100, 400, 200);
        window.show();
        activate(&window);
    }

    KvButton* add(const PropertyBag& set, QPoint at, int index = -1, const KvButtonHost& host = {},
                  QWidget* parent = nullptr)
    {
        auto* b = new KvButton(set, parent ? parent : &window, index, host);
        b->setGeometry(QRect(at, QSize(105, 39)));
        b->show();
        return b;
    }

    void record(KvButton* b)
    {
        const auto note = [this](const char* name) { return [this, name] { log << name; }; };
        const auto number = [this](const char* name) {
            return [this, name](int n) { log << name + QString::number(n); };
        };
        QObject::connect(b, &KvButton::Click, number("Click"));
        QObject::connect(b, &KvButton::DblClick, note("DblClick"));
        QObject::connect(b, &KvButton::MouseEnter, note("MouseEnter"));
        QObject::connect(b, &KvButton::MouseLeave, note("MouseLeave"));
        QObject::connect(b, &KvButton::MouseDown, number("MouseDown"));
        QObject::connect(b, &KvButton::MouseUp, number("MouseUp"));
        QObject::connect(b, &KvButton::KeyDown, number("KeyDown"));
        QObject::connect(b, &KvButton::KeyUp, number("KeyUp"));
    }
};

} // namespace

class TestKvButtonInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setPalette(test::knownPalette()); }

    // A script of input on one button (index 3, caption "&Save") beside another in a dialog, the events
    // it and the dialog raise (Rejected, OK for its default button) and checks on the way. Steps: down,
    // up, dbl, rdown, rup and move (at 10,10 or @x,y; in is a move to 20,20, out to 200,20), leave, a
    // key (Space, Return, Esc, A, Alt+Space, Alt+S on the window; ~ releases, * repeats), focus,
    // focusOther, deactivate, activate, disable, tip (the pointer rests), accN (access key N); checks:
    // =N/=H/=D state, =0/=1 value, =grab/=free the mouse, =active/=inactive the window, =tip/=notip.
    void scripts_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        // clang-format off
        const auto row = [](const char* name, const char* setup, const char* script, const char* events) {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(script) << QString::fromLatin1(events);
        };
        row("release on the first column is no click", "push", "down up@0,10", "MouseDown1 MouseUp1");
        row("double click", "push", "down up dbl =D up =N", "MouseDown1 Click3 MouseUp1 MouseDown1 DblClick Click3 MouseUp1");
        row("check toggles, drawn down", "check", "down up =1 =D down up =0", "MouseDown1 Click3 MouseUp1 MouseDown1 Click3 MouseUp1");
        row("hover and leave", "push", "in =H move@21,20 leave =N", "MouseEnter MouseEnter MouseLeave");
        row("drag out and back", "push", "down@20,20 out =N in =D up@30,20", "MouseDown1 MouseEnter Click3 MouseUp1");
        row("without leave notices", "push notrack", "in leave =H", "MouseEnter");
        row("space on a check", "check", "Space =1 =D =grab Space* =1 ~Space =free", "KeyDown32 KeyDown32 Click3 KeyUp32");
        row("enter clicks on key down", "check", "Return ~Return =0", "Click3 KeyDown13");
        row("enter reaches the dialog's default button", "push default", "Return", "OK");
        row("escape closes the dialog", "push default", "Esc", "KeyDown27 Rejected");
        row("alt+space passed over", "check", "Alt+Space =N =0 =free", "");
        row("another key cancels space", "push", "Space A =N =free ~A ~Space =N", "KeyDown32 KeyDown65 KeyUp32");
        row("space held: moves and leave change nothing", "push", "Space in leave =D ~Space =N", "KeyDown32 MouseEnter Click3 KeyUp32");
        row("space, then focus elsewhere", "push", "focus Space =grab focusOther =free =N ~Space", "KeyDown32 KeyUp32");
        row("space, then another window", "push", "Space =grab deactivate =inactive =free activate =active Space =grab", "KeyDown32 KeyDown32");
        row("pressed, then another window", "push", "in down deactivate =N =inactive", "MouseEnter MouseDown1");
        row("tip while hovered, gone on a press", "push", "in tip =tip down =notip", "MouseEnter MouseDown1");
        row("no tip once disabled", "push", "in disable tip =notip", "MouseEnter");
        row("no tip on a checked button", "check", "down up in tip =notip", "MouseDown1 Click3 MouseUp1 MouseEnter");
        row("access key on a check", "check", "Alt+S =1 acc13 acc27 =1", "Click3");
        row("escape on an option", "option", "acc27 =0", "");
        row("disabled ignores its key", "push", "disable acc115", "");
        // clang-format on
    }

    void scripts()
    {
        QFETCH(QString, setup);
        QFETCH(QString, script);
        Host host(setup.contains(QLatin1String("default")));
        KvButtonHost ambient;
        ambient.probes.trackMouseLeave = !setup.contains(QLatin1String("notrack"));
        const int mode = setup.startsWith(QLatin1String("check"))    ? KvCheck
                         : setup.startsWith(QLatin1String("option")) ? KvOption
                                                                     : KvPush;
        KvButton* b = host.add(buttonSet(mode, QStringLiteral("&Save")), QPoint(0, 0), 3, ambient);
        KvButton* other = host.add(buttonSet(KvPush), QPoint(0, 50));
        host.record(b);
        QObject::connect(&host.window, &QDialog::rejected,
                         [&host] { host.log << QStringLiteral("Rejected"); });
        QObject::connect(host.ok, &QPushButton::clicked, [&host] { host.log << QStringLiteral("OK"); });
        QWidget elsewhere;
        Qt::MouseButtons held;
        const KvButtonRuntime& run = b->model().run;
        for (const QString& step : script.split(QLatin1Char(' '))) {
            const QString word = step.section(QLatin1Char('@'), 0, 0);
            const QString place = step.section(QLatin1Char('@'), 1);
            const QPoint at = !place.isEmpty()
                                  ? QPoint(place.section(',', 0, 0).toInt(), place.section(',', 1).toInt())
                              : word == QLatin1String("in")  ? QPoint(20, 20)
                              : word == QLatin1String("out") ? QPoint(200, 20)
                                                             : QPoint(10, 10);
            const QKeyCombination pressed =
                QKeySequence::fromString(word.mid(word.startsWith('~')).remove('*'))[0];
            const auto is = [&](const char* name) { return word == QLatin1String(name); };
            if (is("down") || is("dbl")) {
                held = Qt::LeftButton;
                mouse(b, is("down") ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick, at,
                      Qt::LeftButton, held);
            } else if (is("up") || is("rup")) {
                held = Qt::NoButton;
                mouse(b, QEvent::MouseButtonRelease, at, is("up") ? Qt::LeftButton : Qt::RightButton);
            } else if (is("rdown")) {
                mouse(b, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
            } else if (is("move") || is("in") || is("out")) {
                mouse(b, QEvent::MouseMove, at, Qt::NoButton, held);
            } else if (is("leave")) {
                QEvent event(QEvent::Leave);
                QApplication::sendEvent(b, &event);
            } else if (is("Alt+S")) {
                QTest::keyClick(&host.window, Qt::Key_S, Qt::AltModifier);
            } else if (is("focus") || is("focusOther")) {
                (is("focus") ? b : other)->setFocus();
            } else if (is("deactivate") || is("activate")) {
                elsewhere.show();
                QVERIFY(activate(is("activate") ? static_cast<QWidget*>(&host.window) : &elsewhere));
            } else if (is("disable")) {
                b->setEnabled(false);
            } else if (is("tip")) {
                QHelpEvent help(QEvent::ToolTip, at, b->mapToGlobal(at));
                QApplication::sendEvent(b, &help);
            } else if (word.startsWith(QLatin1String("acc"))) {
                b->accessKeyPress(word.mid(3).toInt());
            } else if (is("=0") || is("=1")) {
                QCOMPARE(b->value(), is("=1"));
            } else if (is("=N") || is("=H") || is("=D")) {
                QCOMPARE(run.buttonState, int(is("=N") ? KvNormal : is("=H") ? KvHot : KvDown));
            } else if (is("=grab") || is("=free")) {
                QCOMPARE(QWidget::mouseGrabber(), is("=grab") ? b : nullptr);
                QCOMPARE(run.spaceDown, is("=grab"));
            } else if (is("=active") || is("=inactive")) {
                QCOMPARE(run.parentActive, is("=active"));
                QVERIFY(run.parentActive || (!run.isPressed && !run.hasFocus));
            } else if (is("=tip") || is("=notip")) {
                QCOMPARE(b->toolTipWindow() && b->toolTipWindow()->isVisible(), is("=tip"));
            } else {
                QVERIFY2(pressed.key() != Qt::Key_unknown, qPrintable(step));
                key(b, word.startsWith('~') ? QEvent::KeyRelease : QEvent::KeyPress, pressed.key(),
                    pressed.keyboardModifiers(), word.endsWith('*'));
            }
        }
        QTEST(host.log.join(QLatin1Char(' ')), "events");
    }

    void optionGroupsFollowTheirContainer()
    {
        Host host;
        QWidget* groupB = new QWidget(&host.window);
        groupB->setGeometry(0, 100, 400, 50);
        KvButton* a1 = host.add(buttonSet(KvOption), QPoint(0, 0));
        KvButton* a2 = host.add(buttonSet(KvOption), QPoint(110, 0));
        KvButton* push = host.add(buttonSet(KvPush), QPoint(220, 0));
        KvButton* b1 = host.add(buttonSet(KvOption), QPoint(0, 0), -1, {}, groupB);
        b1->setValue(true);
        click(a1);
        click(a2);
        click(push); // push buttons take no part
        QCOMPARE(QList<bool>({a1->value(), a2->value(), b1->value()}), QList<bool>({false, true, true}));
        KV_PIXEL(a2->faceImage(), 52, 1, rgb(255, 216, 165)); // the checked face
    }

    void buttonsGoAwayInAnyOrder()
    {
        for (const QList<int>& order : {QList<int>{0, 1, 2}, QList<int>{2, 0, 1}}) {
            auto host = std::make_unique<Host>();
            QList<KvButton*> buttons;
            for (int i = 0; i < 3; ++i)
                buttons << host->add(buttonSet(KvOption), QPoint(0, i * 40), i);
            QWidget elsewhere;
            elsewhere.show();
            for (int index : order) {
                key(buttons[index], QEvent::KeyPress, Qt::Key_Space);
                delete std::exchange(buttons[index], nullptr); // holding the mouse: it is given back
                QCOMPARE(QWidget::mouseGrabber(), nullptr);
                QVERIFY(activate(&elsewhere) && activate(&host->window));
                for (KvButton* b : buttons)
                    QVERIFY(!b || b->model().run.parentActive);
            }
        }
    }

    void dropDownMenu()
    {
        Host host;
        KvButton* b = host.add(buttonSet(KvPush), QPoint(20, 20));
        host.record(b);
        QStringList& log = host.log;
        QMenu menu(&host.window);
        QAction* bold = menu.addAction(QStringLiteral("二"));
        b->setPopupMenu(&menu, 7, 0, bold);
        QCursor::setPos(host.window.mapToGlobal(QPoint(390, 190)));
        const auto press = [b] {
            mouse(b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        };
        press();
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), b->mapToGlobal(QPoint(105, 39)));
        QCOMPARE(menu.defaultAction(), bold);
        menu.hide(); // closed away from the button
        QCOMPARE(b->model().run.buttonState, int(KvNormal));
        // Closed over the button: the click that closed it does not open it again.
        press();
        QCursor::setPos(b->mapToGlobal(QPoint(10, 10)));
        menu.hide();
        press();
        QVERIFY(!menu.isVisible());
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        press();
        QVERIFY(menu.isVisible());
        menu.hide();
        QVERIFY(log.isEmpty()); // no Click, MouseDown or MouseUp while a menu is attached
        // Without a menu the button clicks again.
        b->unsetPopupMenu();
        mouse(b, QEvent::MouseButtonRelease, QPoint(10, 10));
        log.clear();
        click(b);
        QCOMPARE(log, (QStringList{"MouseDown1", "Click-1", "MouseUp1"}));
    }
};

VELMO_TEST_MAIN(TestKvButtonInput)
#include "TestKvButtonInput.moc"