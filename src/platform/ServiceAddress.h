#pragma once

// Where the web service lives, and the URLs of its endpoints and pages.
//
//   const velmo::ServiceAddress address = velmo::ServiceAddress::load();   // per-user setting
//   QUrl url = address.url("/Api/login.asp", {{"user", name}, {"pass", hash}, ...});
//   QUrl page = address.url("/reg.asp");
// Tests construct it from the stand-in's base URL instead.

#include <QList>
#include <QSettings>
#include <QString>
#include <QUrl>

#include <utility>

namespace velmo {

// The message for a service that failed or cannot be reached, with the number its users call; the
// transport's reason, when there is one, on a line of its own after it.
QString serviceFailureText(const QString& reason = QString());

class ServiceAddress
{
public:
    static constexpr quint16 DefaultPort = 18766;

    // The default address, http://127.0.0.1:18766.
    ServiceAddress();
    // A base URL such as http://host:port or http://host/prefix; an invalid or non-HTTP one falls
    // back to the default with a warning on standard error, and is kept as problem().
    explicit ServiceAddress(const QUrl& base);

    static QUrl defaultBase();
    // The settings key that holds the base URL as text.
    static QString settingsKey();
    // Reads the address from the per-user settings store; the default when unset, or when unusable
    // (with a warning naming the setting's text, and problem() naming it and the settings file).
    static ServiceAddress load();
    static ServiceAddress load(const QSettings& settings);

    QUrl base() const { return m_base; }
    // Why the configured address is not used, for the user: which text it is and where it is set;
    // empty when the address is the configured one or none was configured. Nothing is to be sent
    // to the service while there is a problem: the default in its place is not what the user chose.
    QString problem() const { return m_problem; }

    // Whether url leads to this address's host (a page of the service).
    bool hosts(const QUrl& url) const
    {
        return url.scheme() == m_base.scheme() && url.host() == m_base.host() && url.port() == m_base.port();
    }

    // The base followed by the path ("/Api/login.asp" and such).
    QUrl url(const QString& path) const;
    // The same with a query: keys as given, each value passed through URLEncode, in order.
    QUrl url(const QString& path, const QList<std::pair<QString, QString>>& query) const;

private:
    QUrl m_base;
    QString m_problem;
};

} // namespace velmo
