#pragma once

#include <QLabel>

namespace velmo {

// A label that reports clicks: the caption of a check box, or a link to a web page, which looks
// like a link (underlined, blue, hand cursor) while the mouse is over it.
class ClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);

    // Turns on the link look on hover.
    void setLinkLook(bool on);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void showHover(bool hover);

    bool m_linkLook = false;
};

} // namespace velmo
