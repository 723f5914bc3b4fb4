#include "ServiceAddress.h"

#include "UrlEncoders.h"
#include "UserSettings.h"

namespace velmo {

QString serviceFailureText(const QString& reason)
{
    const QString text = QStringLiteral("服务器故障或您未连接网络,反馈联系客服QQ:800018766");
    return reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
}

namespace {

bool usable(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// A wrong setting would otherwise go unnoticed: the program just talks to the default service.
void warnUnusable(const QString& text)
{
    qWarning("velmo: the service address \"%s\" is not an http address; using %s", qPrintable(text),
             qPrintable(ServiceAddress::defaultBase().toString()));
}

QString unusableText(const QString& text, const QString& settingsFile)
{
    const QString where =
        settingsFile.isEmpty()
            ? QString()
            : QStringLiteral("请在设置文件 %1 的 %2 项中").arg(settingsFile, ServiceAddress::settingsKey());
    return QStringLiteral(
               "服务器地址“%1”不是可用的网址,无法连接服务器。%2填写以 http:// 或 https:// 开头的网址。")
        .arg(text, where.isEmpty() ? QStringLiteral("请") : where);
}

} // namespace

ServiceAddress::ServiceAddress()
    : m_base(defaultBase())
{
}

ServiceAddress::ServiceAddress(const QUrl& base)
    : m_base(usable(base) ? base.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash)
                          : defaultBase())
{
    if (!base.isEmpty() && !usable(base)) {
        warnUnusable(base.toString());
        m_problem = unusableText(base.toString(), QString());
    }
    if (m_base.path() == QLatin1String("/"))
        m_base.setPath(QString());
}

QUrl ServiceAddress::defaultBase()
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(DefaultPort);
    return url;
}

QString ServiceAddress::settingsKey()
{
    return QStringLiteral("Service/Address");
}

ServiceAddress ServiceAddress::load()
{
    const auto settings = openUserSettings();
    return load(*settings);
}

ServiceAddress ServiceAddress::load(const QSettings& settings)
{
    const QString text = settings.value(settingsKey()).toString().trimmed();
    if (text.isEmpty())
        return ServiceAddress();
    const QUrl url(text, QUrl::StrictMode);
    if (!usable(url)) {
        warnUnusable(text);
        ServiceAddress fallback;
        fallback.m_problem = unusableText(text, settings.fileName());
        return fallback;
    }
    return ServiceAddress(url);
}

QUrl ServiceAddress::url(const QString& path) const
{
    QUrl result = m_base;
    QString fullPath = m_base.path();
    if (fullPath.endsWith(QLatin1Char('/')))
        fullPath.chop(1);
    if (!path.startsWith(QLatin1Char('/')))
        fullPath += QLatin1Char('/');
    result.setPath(fullPath + path);
    return result;
}

QUrl ServiceAddress::url(const QString& path, const QList<std::pair<QString, QString>>& query) const
{
    QUrl result = url(path);
    QString text;
    for (const auto& [key, value] : query) {
        if (!text.isEmpty())
            text += QLatin1Char('&');
        text += URLEncode(key) + QLatin1Char('=') + URLEncode(value);
    }
    result.setQuery(text, QUrl::StrictMode);
    return result;
}

} // namespace velmo
