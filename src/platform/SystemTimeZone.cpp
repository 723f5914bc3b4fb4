#include "SystemTimeZone.h"

#include <QByteArray>
#include <QtGlobal>

namespace velmo {

void pinSystemTimeZone()
{
    // ":/etc/localtime" is the zone the C library reads when TZ is unset; named, it is read once.
    // Qt takes this value for the system zone as well.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
}

} // namespace velmo
