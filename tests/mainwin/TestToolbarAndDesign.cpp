#include "MainWindowFixture.h"
#include "TestMain.h"

#include "controls/RVTPropGadget.h"
#include "controls/kvbutton/KvButton.h"
#include "mainwin/MainDesign.h"
#include "settings/Form_Config.h"

#include <QGroupBox>
#include <QMenu>

using namespace velmo;
using test::MainWindowFixture;

namespace {

QList<Form_Config*> settingsDialogs()
{
    QList<Form_Config*> open;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* dialog = qobject_cast<Form_Config*>(window); dialog && dialog->isVisible())
            open << dialog;
    }
    return open;
}

} // namespace

// The main window as its design builds it: the toolbar's sets and places, the due panel beside the
// tree, and the settings dialog within reach.
class TestToolbarAndDesign : public QObject
{
    Q_OBJECT

private slots:
    void toolbarSetsAreTheDesigns_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("captionEffects");
        QTest::addColumn<quint32>("maskColor");
        for (int i = 0; i < MainDesign::ToolbarButtonCount; ++i)
            QTest::addRow("Button(%d)", i) << i << (i == 2 ? 4 : 0) << (i == 2 ? 0xFFFFFFFFu : 0xE0E0E0u);
    }

    void toolbarSetsAreTheDesigns()
    {
        QFETCH(int, index);
        MainWindowFixture f;
        f.form->Form_Load();
        const auto* button = f.form->findChild<KvButton*>(QStringLiteral("Button_%1").arg(index));
        QVERIFY(button);
        QCOMPARE(button->size(), QSize(105, 39));
        QCOMPARE(button->captionFont().family(), QStringLiteral("Tahoma"));
        QCOMPARE(button->captionFont().pointSizeF(), 8.25);
        QTEST(button->captionEffects(), "captionEffects");
        QTEST(quint32(button->maskColor()), "maskColor");
        QCOMPARE(button->buttonStyle(), 8);
        // One row inside the window, 50 twips apart.
        const QWidget* client = f.form->centralWidget();
        QVERIFY(button->geometry().right() < client->width());
        if (index > 0) {
            const auto* previous = f.form->findChild<KvButton*>(QStringLiteral("Button_%1").arg(index - 1));
            QCOMPARE(button->x(), previous->geometry().right() + 1 + 3);
        }
    }

    void duePanelAndTreeEndLevel()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        const auto* frame1 = f.form->findChild<QFrame*>(QStringLiteral("Frame1"));
        const auto* gadget = f.form->findChild<RVTPropGadget*>(QStringLiteral("RVTPropGadget1"));
        QCOMPARE(gadget->width(), 38); // 582 twips
        QCOMPARE(gadget->geometry().top(), frame1->geometry().top());
        QCOMPARE(gadget->geometry().bottom(), frame1->geometry().bottom());
        QCOMPARE(f.tree()->geometry().bottom(), frame1->geometry().bottom());
        QVERIFY(frame1->frameWidth() > 0); // the panel's outline, bottom edge included, is drawn
        const auto* notice = f.form->findChild<QFrame*>(QStringLiteral("Picture1"));
        QVERIFY(frame1->geometry().bottom() < notice->geometry().top());
    }

    void settingsOpenFromToolbarAndList()
    {
        MainWindowFixture f;
        f.form->Form_Load();
        QVERIFY(settingsDialogs().isEmpty());
        f.form->Button_Click(6);
        QCOMPARE(settingsDialogs().size(), 1);
        const QList<QAction*> actions = f.form->findChild<QMenu*>(QStringLiteral("ListViewMenu"))->actions();
        QVERIFY(actions.at(actions.size() - 2)->isSeparator());
        QCOMPARE(actions.last()->text(), QStringLiteral("程序设置(&E)"));
        actions.last()->trigger();
        QCOMPARE(settingsDialogs().size(), 1); // the one dialog comes forward
        settingsDialogs().first()->close();
        QTRY_VERIFY(settingsDialogs().isEmpty());
    }
};

VELMO_TEST_MAIN(TestToolbarAndDesign)
#include "TestToolbarAndDesign.moc"
