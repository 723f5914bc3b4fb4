#include "FindDialog.h"

#include "controls/MessageBoxes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmo {

FindDialog::FindDialog(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent)
    , m_boxes(boxes)
{
    setObjectName(QStringLiteral("frmfind"));
    setWindowTitle(QStringLiteral("备忘录本地搜索"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* label1 = new QLabel(QStringLiteral("查找内容(&I):"), this);
    label1->setObjectName(QStringLiteral("label1"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setFont(QFont(QStringLiteral("宋体")));
    m_text->installEventFilter(this);
    label1->setBuddy(m_text);

    auto* label2 = new QLabel(QStringLiteral("范围:"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_option1 = new QRadioButton(QStringLiteral("全部"), this);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setChecked(true);
    m_option2 = new QRadioButton(QStringLiteral("标题"), this);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_option3 = new QRadioButton(QStringLiteral("内容"), this);
    m_option3->setObjectName(QStringLiteral("Option3"));

    m_find = new QPushButton(QStringLiteral("给我搜(&S)"), this);
    m_find->setObjectName(QStringLiteral("cmdFind"));
    m_find->setDefault(true);
    m_find->setAutoDefault(true);
    m_close = new QPushButton(QStringLiteral("取消(&C)"), this);
    m_close->setObjectName(QStringLiteral("cmClose"));
    m_close->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_text, 0, 1, 1, 3);
    grid->addWidget(m_find, 0, 4);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(m_option1, 1, 1);
    grid->addWidget(m_option2, 1, 2);
    grid->addWidget(m_option3, 1, 3);
    grid->addWidget(m_close, 1, 4);

    connect(m_find, &QPushButton::clicked, this, &FindDialog::cmdFind_Click);
    connect(m_close, &QPushButton::clicked, this, &FindDialog::cmClose_Click);
}

int FindDialog::zone() const
{
    if (m_option2->isChecked())
        return 2;
    if (m_option3->isChecked())
        return 3;
    return 1;
}

void FindDialog::cmdFind_Click()
{
    if (m_text->text().isEmpty()) {
        m_boxes.warn(this, QStringLiteral("搜索关键字不能为空"));
        return;
    }
    emit searchRequested(m_text->text(), zone());
    close();
}

void FindDialog::cmClose_Click()
{
    close();
}

bool FindDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velmo
