#pragma once

// A plain text box that stays quick with a very long unbroken run of text (a memo of one line of
// megabytes without a blank). Wrapping at word boundaries looks for the next place a line may break
// once for every line it makes, which over such a run costs the square of its length; this box
// then wraps anywhere instead, and keeps wrapping at word boundaries for every other text.
//
//   auto* box = new velmo::PlainTextBox(parent);
//   box->showText(memo.content); // the whole text, readable and editable as it is

#include <QPlainTextEdit>

namespace velmo {

class PlainTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    // The longest run without a place to break a line that still wraps at word boundaries.
    static constexpr qsizetype LongestWrappedRun = 1000;

    explicit PlainTextBox(QWidget* parent = nullptr);

    // Shows the text, wrapping as it needs; the text is kept as it is.
    void showText(const QString& text);
    // True while the box wraps anywhere because it holds (or was given) a run too long for word wrapping.
    bool wrapsAnywhere() const;

protected:
    // Pasted and dropped text: the wrap is chosen before the text is laid out.
    void insertFromMimeData(const QMimeData* source) override;
};

// True when the text holds a run of more than `longest` characters with no place to break a line.
bool hasLongUnbrokenRun(const QString& text, qsizetype longest);

} // namespace velmo
