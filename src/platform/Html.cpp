#include "Html.h"

#include <QRegularExpression>

namespace velmo {

namespace {

const QRegularExpression& styleBlock()
{
    static const QRegularExpression re(QStringLiteral("<style.+?/style>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& scriptBlock()
{
    static const QRegularExpression re(QStringLiteral("<script.+?/script>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& anyTag()
{
    // Blanks inside a tag never include a line feed: a tag does not run over lines.
    static const QRegularExpression re(
        QStringLiteral(R"(<[a-z][a-z0-9:-]*)"                                // <name
                       R"((?:[^\S\n]+[a-z_:][a-z0-9_:.-]*[^\S\n]*=[^\S\n]*)" //  attr=
                       R"((?:"[^"\n]*"|'[^'\n]*'|[^\s"'<>`]+))"              //  value
                       R"(|[^\S\n]+(?:nowrap|checked|disabled|selected|readonly|noshade|compact)"
                       R"(|hidden|multiple|defer|async|ismap|nohref|noresize)(?=[\s/>]))*)"
                       R"([^\S\n]*/?>)"                  // > or />
                       R"(|</[a-z][a-z0-9:-]*[^\S\n]*>)" // </name>
                       R"(|<[!?][^>\n]*>)"),             // <!...>, <?...?>
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

} // namespace

QString RemoveHtml(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString plain = text;
    plain.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    plain.replace(QLatin1String("<br>"), QLatin1String("\r\n"));
    plain.replace(QLatin1String("<BR>"), QLatin1String("\r\n"));
    plain.remove(styleBlock());
    plain.remove(scriptBlock());
    plain.remove(anyTag());
    return plain;
}

QString RemoveHtml(const QVariant& value)
{
    if (value.isNull())
        return {};
    return RemoveHtml(value.toString());
}

} // namespace velmo
