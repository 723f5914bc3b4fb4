#pragma once

#include "lunar/LunarCalendar.h"

#include <QWidget>

class QComboBox;
class QSpinBox;

namespace velmo {

// The lunar date of a reminder: the year, the month (正月 … 腊月) and the day (初一 … 三十). Every day
// up to the 30th can be entered in every month, since a month has 29 or 30 days by the year; the
// save refuses a day that the month lacks. The leap month of a number is not chosen here.
class LunarDateEdit : public QWidget
{
    Q_OBJECT

public:
    explicit LunarDateEdit(QWidget* parent = nullptr);

    LunarDate date() const;
    // Shows the date's numbers; a year outside the range shows its nearest end, a day past the 30th
    // the 30th, but date() gives the date as set until the user picks another.
    void setDate(const LunarDate& date);
    void setYearRange(int first, int last);

private:
    QSpinBox* m_year = nullptr;
    QComboBox* m_month = nullptr;
    QComboBox* m_day = nullptr;
    LunarDate m_set;
    LunarDate m_setAsShown;
};

} // namespace velmo
