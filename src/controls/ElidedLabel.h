#pragma once

// A one-line label that shows as much of its text as its width holds, ending in "…" when the rest
// does not fit; its tooltip always holds the whole text. The text is shown as it is, never as markup.
//
//   auto* panel = new velmo::ElidedLabel(statusBar);
//   panel->setFullText(QStringLiteral("状态:连接失败,下次同步 (服务器拒绝连接)"));

#include <QLabel>

namespace velmo {

class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_text; }

    // Asks for no more room than the label has: the layout gives it what the others leave.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showFitting();

    QString m_text;
};

} // namespace velmo
