#include "LunarDateEdit.h"

#include "lunar/Nongli.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSpinBox>

namespace velmo {

LunarDateEdit::LunarDateEdit(QWidget* parent)
    : QWidget(parent)
{
    m_year = new QSpinBox(this);
    m_year->setObjectName(QStringLiteral("LunarYear"));
    m_year->setSuffix(QStringLiteral("年"));
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("LunarMonth"));
    for (int month = 1; month <= 12; ++month)
        m_month->addItem(lunarMonthName(month) + QChar(u'月'));
    m_day = new QComboBox(this);
    m_day->setObjectName(QStringLiteral("LunarDay"));
    for (int day = 1; day <= 30; ++day)
        m_day->addItem(lunarDayName(day));
    m_day->setMaxVisibleItems(15);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(m_year);
    row->addWidget(m_month);
    row->addWidget(m_day);
}

LunarDate LunarDateEdit::date() const
{
    const LunarDate shown{m_year->value(), m_month->currentIndex() + 1, m_day->currentIndex() + 1, false};
    // A stored date the pickers cannot hold is not changed behind the user's back.
    return shown == m_setAsShown ? m_set : shown;
}

void LunarDateEdit::setDate(const LunarDate& date)
{
    m_year->setValue(date.year);
    m_month->setCurrentIndex(qBound(1, date.month, 12) - 1);
    m_day->setCurrentIndex(qBound(1, date.day, 30) - 1);
    m_set = LunarDate{date.year, date.month, date.day, false};
    m_setAsShown = LunarDate{m_year->value(), m_month->currentIndex() + 1, m_day->currentIndex() + 1, false};
}

void LunarDateEdit::setYearRange(int first, int last)
{
    m_year->setRange(first, last);
}

} // namespace velmo
