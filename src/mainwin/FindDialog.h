#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QPushButton;

namespace velmo {

class MessageBoxes;

// The local search dialog: a keyword and where to look for it (1 title and content, 2 title,
// 3 content). It hands them on and closes; an empty keyword is refused with a message.
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FindDialog(MessageBoxes& boxes, QWidget* parent = nullptr);

    QLineEdit* Text1() const { return m_text; }

public slots:
    void cmdFind_Click();
    void cmClose_Click();

signals:
    // The keyword exactly as typed (blanks included) and the zone.
    void searchRequested(const QString& keyWord, int zone);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int zone() const;

    MessageBoxes& m_boxes;
    QLineEdit* m_text;
    QRadioButton* m_option1;
    QRadioButton* m_option2;
    QRadioButton* m_option3;
    QPushButton* m_find;
    QPushButton* m_close;
};

} // namespace velmo
