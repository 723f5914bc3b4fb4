#pragma once

#include "editor/MemoSave.h"
#include "editor/MemoViews.h"
#include "editor/TunePreview.h"

#include <QStringList>

namespace velmo::test {

// The changes the main window was told of.
class ViewsRecorder : public MemoViews
{
public:
    void memosChanged(const MemoChange& change) override { calls << change; }
    QList<MemoChange> calls;
};

// A preview player that writes down what it was told and starts as the test says; the log is
// shared with the test, which also reaches the player last made.
class PreviewRecorder : public TunePreview
{
public:
    explicit PreviewRecorder(QStringList& log)
        : m_log(log)
    {
    }
    PreviewRecorder(QStringList& log, PreviewRecorder*& last, const Start& start)
        : m_log(log)
        , m_start(&start)
    {
        last = this;
    }
    Start play(const QString& path) override
    {
        m_log << QStringLiteral("play ") + path;
        return m_start ? *m_start : Start::Playing;
    }
    void stop() override { m_log << QStringLiteral("stop"); }

private:
    QStringList& m_log;
    const Start* m_start = nullptr;
};

// A solar memo of category 生活备忘, once, reminder a day after the test clock, built-in tune.
inline EditorInput sampleInput(const QString& title = QStringLiteral("买菜"))
{
    EditorInput in;
    in.category = QStringLiteral("生活备忘");
    in.repeat = QStringLiteral("只提醒一次");
    in.date = QDate(2026, 12, 7);
    in.time = QTime(9, 30);
    in.title = title;
    in.content = QStringLiteral("两斤土豆");
    in.tuneLabel = QStringLiteral("天空之城.mid");
    return in;
}

} // namespace velmo::test
