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

// A memo text that takes exactly `bytes` as it travels to the service: characters of one GBK code
// each (six bytes on the wire, percent-encoded) when wide, plain letters for the rest.
inline QString textOfWireBytes(qint64 bytes, bool wide = false)
{
    const qint64 count = wide ? bytes / 6 : 0;
    return QString(count, QChar(0x5B57)) + QString(bytes - 6 * count, u'a');
}

// What a save says of a memo whose title, content and custom tune's path take `bytes` on the wire,
// more than it may.
inline QString tooLargeText(qint64 bytes)
{
    return QStringLiteral("备忘太大:上传时约 %1 KB,服务器最多接受 4088 KB。请删减内容后再保存")
        .arg((bytes + 1023) / 1024);
}

} // namespace velmo::test
