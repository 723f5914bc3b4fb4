#include "NoticeFormat.h"

namespace velmo {

namespace {

// A title cut to the column's width, never between the two halves of a surrogate pair.
QString fitTitle(const QString& title)
{
    if (title.size() <= NoticeRows::TitleLength)
        return title;
    qsizetype length = NoticeRows::TitleLength;
    if (title.at(length - 1).isHighSurrogate())
        --length;
    return title.left(length);
}

std::optional<NoticeEntry> parseNoticeLine(const QString& line)
{
    const qsizetype first = line.indexOf(QLatin1Char('|'));
    const qsizetype last = line.lastIndexOf(QLatin1Char('|'));
    if (first < 0 || last == first)
        return std::nullopt;
    NoticeEntry entry;
    const QString idText = line.left(first).trimmed();
    bool numeric = false;
    entry.noticeId = idText.toLongLong(&numeric);
    // Digits only: no sign, no blanks inside.
    if (!numeric || idText.isEmpty() || !idText.at(0).isDigit())
        return std::nullopt;
    entry.title = fitTitle(line.mid(first + 1, last - first - 1).trimmed());
    entry.url = line.mid(last + 1).trimmed();
    if (entry.title.isEmpty() || !NoticeRows::fits(entry))
        return std::nullopt;
    return entry;
}

} // namespace

std::optional<QList<NoticeEntry>> parseNoticeList(const QString& text)
{
    QList<NoticeEntry> entries;
    bool carriesSomething = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size() && entries.size() < MaxNoticesPerList; ++i) {
        QString line = lines.at(i).trimmed();
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        carriesSomething = true;
        if (const std::optional<NoticeEntry> entry = parseNoticeLine(line))
            entries.append(*entry);
    }
    if (carriesSomething && entries.isEmpty())
        return std::nullopt;
    return entries;
}

QUrl openablePage(const QString& link, const ServiceAddress& service)
{
    const QString trimmed = link.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    if (url.scheme().isEmpty()) {
        // A path on the service's own host; "//host/..." names another host without a scheme.
        if (!url.host().isEmpty() || trimmed.startsWith(QLatin1String("//")))
            return {};
        QUrl page = service.url(url.path());
        page.setQuery(url.query(QUrl::FullyEncoded), QUrl::StrictMode);
        return page;
    }
    const QString scheme = url.scheme();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty() ||
        !url.userInfo().isEmpty())
        return {};
    return url;
}

QString menuLiteral(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    return escaped;
}

} // namespace velmo
