#pragma once

// The image button's own tooltip: what it shows (text, title, icon, colours, balloon form) and the
// small tool-tip window that shows it.

#include "controls/gdi/SystemColors.h"

#include <QString>
#include <QWidget>

class QLabel;

namespace velmo {

struct KvToolTipContent
{
    enum Icon
    {
        NoIcon = 0,
        Information = 1,
        Warning = 2,
        Error = 3
    };

    QString text;
    QString title;
    int icon = NoIcon;
    bool balloon = false;
    bool rightToLeft = false;
    // Resolved back colour; kNoColor keeps the palette's tool-tip colour.
    gdi::ColorRef backColor = gdi::kNoColor;
    // Text wider than this wraps over several lines.
    int maxWidth = 240;

    bool hasTitle() const { return !title.isEmpty() || icon != NoIcon; }
    friend bool operator==(const KvToolTipContent&, const KvToolTipContent&) = default;
};

class KvToolTipWindow : public QWidget
{
    Q_OBJECT

public:
    explicit KvToolTipWindow(QWidget* owner);

    void setContent(const KvToolTipContent& content);
    const KvToolTipContent& content() const { return m_content; }
    // Shows the tip with its top-left corner near the global position.
    void showAt(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    KvToolTipContent m_content;
    QLabel* m_iconLabel;
    QLabel* m_titleLabel;
    QLabel* m_textLabel;
};

} // namespace velmo
