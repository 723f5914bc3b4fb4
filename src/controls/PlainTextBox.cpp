#include "PlainTextBox.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextBoundaryFinder>

namespace velmo {

bool hasLongUnbrokenRun(const QString& text, qsizetype longest)
{
    if (text.size() <= longest)
        return false;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype last = 0;
    for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
        if (at - last > longest)
            return true;
        last = at;
    }
    return false;
}

PlainTextBox::PlainTextBox(QWidget* parent)
    : QPlainTextEdit(parent)
{
}

void PlainTextBox::showText(const QString& text)
{
    // The mode is set while the box holds a text it lays out quickly in it: a long run before the
    // text comes in, word wrapping once it is in (the text shown before may be a long run).
    if (hasLongUnbrokenRun(text, LongestWrappedRun)) {
        setWordWrapMode(QTextOption::WrapAnywhere);
        setPlainText(text);
    } else {
        setPlainText(text);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
}

bool PlainTextBox::wrapsAnywhere() const
{
    return wordWrapMode() == QTextOption::WrapAnywhere;
}

void PlainTextBox::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText() && !wrapsAnywhere()) {
        // The run the text joins: what stands before and after the selection in its lines counts too.
        const QTextCursor cursor = textCursor();
        const QTextBlock first = document()->findBlock(cursor.selectionStart());
        const QTextBlock last = document()->findBlock(cursor.selectionEnd());
        const qsizetype before = cursor.selectionStart() - first.position();
        const qsizetype from = std::max<qsizetype>(0, before - LongestWrappedRun);
        const QString joined = first.text().mid(from, before - from) + source->text() +
                               last.text().mid(cursor.selectionEnd() - last.position(), LongestWrappedRun);
        if (hasLongUnbrokenRun(joined, LongestWrappedRun))
            setWordWrapMode(QTextOption::WrapAnywhere);
    }
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace velmo
