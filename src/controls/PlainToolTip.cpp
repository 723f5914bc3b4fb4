#include "PlainToolTip.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace velmo {

QString plainToolTip(const QString& text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

bool PlainToolTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!event || !view || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.isValid() ? index.data(Qt::ToolTipRole).toString() : QString();
    QRect cell;
    if (index.isValid()) {
        const QRect visual = view->visualRect(index);
        cell = QRect(view->viewport()->mapToGlobal(visual.topLeft()), visual.size());
    }
    QToolTip::showText(event->globalPos(), plainToolTip(text), view, cell);
    event->setAccepted(!text.isEmpty());
    return event->isAccepted();
}

} // namespace velmo
