// Opening the edit window on a memo and saving it, with 1,000 to 1,000,000 memos of the user in the
// file: the save includes the refresh of the main window's list (in its own order or under a column
// sort), counts and tree.

#include "FilledStore.h"
#include "SoundRecorder.h"
#include "TestStore.h"

#include "controls/MessageBoxes.h"
#include "editor/EditorWindows.h"
#include "editor/Form_Edit.h"
#include "mainwin/EditorLink.h"
#include "mainwin/Form1.h"
#include "mainwin/MainController.h"
#include "mainwin/MemoCells.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <memory>

using namespace velmo;

namespace {

std::unique_ptr<test::TestStore> filledStore(int count)
{
    return bench::filledStore(count, [](MemoRecord& memo, int i) {
        memo.type = 1 + i % 7;
        memo.content = QStringLiteral("<p>第 %1 条备忘的内容, 带一点 <b>HTML</b>.</p>").arg(i);
        if (i % 3 == 0) {
            memo.lifa = 2;
            memo.AlertTimeNongli = LunarMoment{2027, 10, 1 + i % 28, 8, 0, 0};
        }
    });
}

// The main window and its editors over the filled store; preview players that play nothing.
struct Rig
{
    explicit Rig(test::TestStore& store)
        : form(Form1::Services{store.db(), store.runState(), AssetFolder(), sounds, boxes})
        , editors(services(store))
    {
        connectEditors(form, editors);
        form.Form_Load();
    }
    EditorServices services(test::TestStore& store)
    {
        EditorServices s{store.db(), store.runState(), boxes, form.controller()};
        s.tunes = [] { return std::unique_ptr<TunePreview>(); };
        return s;
    }
    test::SoundRecorder sounds;
    WidgetMessageBoxes boxes;
    Form1 form;
    EditorWindows editors;
};

// Showing the edit window on another memo each time. `fresh`: a new window each time, built, loaded
// and shown (the last one is closed and deleted off the clock); otherwise the open window loads the
// memo.
void openTheEditWindow(benchmark::State& state, bool fresh)
{
    const int count = int(state.range(0));
    const auto store = filledStore(count);
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    Rig rig(*store);
    qint64 id = 1;
    for (auto _ : state) {
        id = id % count + 1;
        rig.editors.showEdit(id);
        Form_Edit* edit = rig.editors.editWindow();
        if (!edit || edit->memoId() != id) {
            state.SkipWithError("not loaded");
            return;
        }
        if (!fresh)
            continue;
        state.PauseTiming();
        edit->close();
        QCoreApplication::sendPostedEvents(); // the deletion and whatever else the window left posted
        if (rig.editors.editWindow()) {
            state.SkipWithError("the window stayed open");
            return;
        }
        state.ResumeTiming();
    }
}

// Opening the edit window on a memo whose content is one unbroken line of three million characters
// (`chinese`: of Chinese characters, otherwise of Latin letters), shown and painted once, as the
// user sees it; the window is closed and deleted off the clock.
void openAHugeMemo(benchmark::State& state, bool chinese)
{
    const QString unit = chinese ? QStringLiteral("备忘录内容很长") : QStringLiteral("abcdefg");
    const QString content = unit.repeated(3'000'000 / unit.size());
    const auto store = bench::filledStore(10, [&content](MemoRecord& memo, int i) {
        if (i == 0)
            memo.content = content;
    });
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    Rig rig(*store);
    for (auto _ : state) {
        rig.editors.showEdit(1);
        Form_Edit* edit = rig.editors.editWindow();
        if (!edit || edit->memoId() != 1) {
            state.SkipWithError("not loaded");
            return;
        }
        QCoreApplication::sendPostedEvents();
        edit->repaint();
        state.PauseTiming();
        edit->close();
        QCoreApplication::sendPostedEvents();
        state.ResumeTiming();
    }
}

// Saving an edited memo with a new title. `sortColumn`: the list sorted by that column first (by
// the titles, the saved memo moves in the order; by days left, it stays where it is), or -1.
void saveAnEditedMemo(benchmark::State& state, int sortColumn)
{
    const int count = int(state.range(0));
    const auto store = filledStore(count);
    if (!store) {
        state.SkipWithError("setup failed");
        return;
    }
    Rig rig(*store);
    if (sortColumn >= 0) {
        rig.form.ListView1_ColumnClick(sortColumn);
        if (rig.form.listModel().rowCount() != count) {
            state.SkipWithError("not sorted");
            return;
        }
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.editors.showEdit(1 + 3 * (round % (count / 3)) + 1);
        Form_Edit* edit = rig.editors.editWindow();
        edit->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(QStringLiteral("改 %1").arg(++round));
        state.ResumeTiming();
        edit->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        // What the save posts for later is part of it; an event loop would run it at once.
        QCoreApplication::sendPostedEvents();
        state.PauseTiming();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (rig.editors.editWindow()) {
            state.SkipWithError("not saved");
            return;
        }
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK_CAPTURE(openTheEditWindow, alreadyOpen, false)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK_CAPTURE(openTheEditWindow, fresh, true)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK_CAPTURE(openAHugeMemo, latin, false)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(openAHugeMemo, chinese, true)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(saveAnEditedMemo, listOrder, -1)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK_CAPTURE(saveAnEditedMemo, sortedByTitle, int(MemoCells::TitleColumn))
    ->Unit(benchmark::kMillisecond)
    ->Arg(100000)
    ->Arg(1000000);
BENCHMARK_CAPTURE(saveAnEditedMemo, sortedByDaysLeft, int(MemoCells::DaysLeftColumn))
    ->Unit(benchmark::kMillisecond)
    ->Arg(100000)
    ->Arg(1000000);
