#include "Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace velmo {

namespace {

const QString entryFileName = QStringLiteral("velmo.desktop");

// Characters that oblige an argument of Exec to be quoted.
bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

QString quoteArgument(const QString& argument)
{
    QString quoted;
    const bool needsQuotes = argument.isEmpty() || std::any_of(argument.begin(), argument.end(), isReserved);
    if (needsQuotes)
        quoted += QLatin1Char('"');
    for (const QChar c : argument) {
        if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                            c == QLatin1Char('\\')))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%'); // a literal percent sign is doubled, field codes aside
        quoted += c;
    }
    if (needsQuotes)
        quoted += QLatin1Char('"');
    return quoted;
}

// The string-value escapes every desktop-entry value goes through.
QString escapeValue(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QLatin1String("\\s"));
    return out;
}

QString unescapeValue(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

// The lines of the [Desktop Entry] group as key and raw value.
QList<std::pair<QString, QString>> readDesktopEntry(const QString& path)
{
    QList<std::pair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || line.startsWith(QLatin1Char('#')) || equals <= 0)
            continue;
        entries.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return entries;
}

} // namespace

Autostart::Autostart()
    : Autostart(QCoreApplication::applicationFilePath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/autostart"))
{
}

Autostart::Autostart(QString executablePath, QString autostartFolder)
    : m_executable(std::move(executablePath))
    , m_folder(std::move(autostartFolder))
{
}

QString Autostart::entryPath() const
{
    return QDir(m_folder).filePath(entryFileName);
}

QString Autostart::execValue(const QString& executablePath)
{
    return escapeValue(quoteArgument(executablePath));
}

QStringList Autostart::parseExecValue(const QString& value)
{
    const QString text = unescapeValue(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < text.size()) {
                current += text.at(++i);
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return {};
    if (inArgument)
        arguments.append(current);
    // A doubled percent sign, quoted or not, is a literal percent sign.
    for (QString& argument : arguments)
        argument.replace(QLatin1String("%%"), QLatin1String("%"));
    return arguments;
}

namespace {

// Why a file of the autostart entry could not be written or removed, in the words the user reads.
QString fileFailureText(const QFileDevice& file, const QString& path)
{
    QString why;
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        why = QStringLiteral("没有权限");
        break;
    case QFileDevice::OpenError:
        why = QStringLiteral("无法打开");
        break;
    case QFileDevice::WriteError:
        why = QStringLiteral("无法写入,磁盘可能已满");
        break;
    case QFileDevice::RemoveError:
        why = QStringLiteral("无法删除");
        break;
    case QFileDevice::RenameError:
        why = QStringLiteral("无法替换原文件");
        break;
    default:
        why = QStringLiteral("文件错误(代码 %1)").arg(int(file.error()));
        break;
    }
    return QStringLiteral("%1:%2").arg(path, why);
}

} // namespace

bool Autostart::SetAutoRun()
{
    m_error.clear();
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("%1:无法创建文件夹").arg(m_folder);
        return false;
    }
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = fileFailureText(file, entryPath());
        return false;
    }
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Velmo\n"
                                        "Comment=Memo pad and reminders\n"
                                        "Exec=%1\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execValue(m_executable));
    file.write(text.toUtf8());
    if (!file.commit()) {
        m_error = fileFailureText(file, entryPath());
        return false;
    }
    return true;
}

bool Autostart::RemoveAutoRun()
{
    m_error.clear();
    QFile file(entryPath());
    if (!file.exists())
        return true;
    if (!file.remove()) {
        m_error = fileFailureText(file, entryPath());
        return false;
    }
    return true;
}

bool Autostart::IsAutoRun() const
{
    QString exec;
    bool found = false;
    for (const auto& [key, value] : readDesktopEntry(entryPath())) {
        if (key == QLatin1String("Exec")) {
            exec = value;
            found = true;
        } else if ((key == QLatin1String("Hidden") && value == QLatin1String("true")) ||
                   (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))) {
            return false;
        }
    }
    if (!found)
        return false;
    const QStringList arguments = parseExecValue(exec);
    if (arguments.isEmpty())
        return false;
    // File names differ by letter case here: another spelling is another file.
    return arguments.first() == m_executable;
}

} // namespace velmo
