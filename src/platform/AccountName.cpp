#include "AccountName.h"

namespace velmo {

QString foldedAccountName(const QString& name)
{
    QString folded = name;
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

} // namespace velmo
