#pragma once

// Tooltips that show a text as it is. A tooltip renders its text as markup whenever the text looks
// like markup (Qt::mightBeRichText): a memo titled "<b>x</b>" or "<img src=...>" would show bold or
// load a picture. These hand the tooltip the text escaped instead.

#include <QStyledItemDelegate>

namespace velmo {

// The tooltip that shows the text as it is; the empty text (no tooltip) stays empty.
QString plainToolTip(const QString& text);

// A view's delegate whose tooltips show the items' tooltip texts as they are.
class PlainToolTipDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace velmo
