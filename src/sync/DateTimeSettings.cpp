#include "DateTimeSettings.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace velmo {

QString ClockBehindText(qint64 seconds)
{
    return QStringLiteral("本机时间比服务器时间慢了%1秒,同步可能失败,请调整系统日期和时间。").arg(seconds);
}

bool openDateTimeSettings()
{
    // The settings tools of the common desktops, each with the argument that opens its clock page.
    const std::pair<const char*, const char*> tools[] = {
        {"gnome-control-center", "datetime"}, {"kcmshell6", "kcm_clock"},   {"kcmshell5", "kcm_clock"},
        {"cinnamon-settings", "calendar"},    {"mate-time-admin", nullptr}, {"time-admin", nullptr},
    };
    for (const auto& [program, argument] : tools) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (path.isEmpty())
            continue;
        QStringList arguments;
        if (argument)
            arguments << QString::fromLatin1(argument);
        if (QProcess::startDetached(path, arguments))
            return true;
    }
    return false;
}

} // namespace velmo
