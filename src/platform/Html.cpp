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

// The element names of HTML, the obsolete ones still found in pasted text included.
constexpr const char* kElements =
    "a|abbr|acronym|address|applet|area|article|aside|audio|b|base|basefont|bdi|bdo|bgsound|big|blink|"
    "blockquote|body|br|button|canvas|caption|center|cite|code|col|colgroup|data|datalist|dd|del|details|"
    "dfn|dialog|dir|div|dl|dt|em|embed|fieldset|figcaption|figure|font|footer|form|frame|frameset|h1|h2|"
    "h3|h4|h5|h6|head|header|hgroup|hr|html|i|iframe|img|input|ins|kbd|keygen|label|legend|li|link|main|"
    "map|mark|marquee|math|menu|menuitem|meta|meter|nav|nobr|noembed|noframes|noscript|object|ol|optgroup|"
    "option|output|p|param|picture|plaintext|pre|progress|q|rb|rp|rt|rtc|ruby|s|samp|script|search|"
    "section|select|slot|small|source|span|strike|strong|style|sub|summary|sup|svg|table|tbody|td|"
    "template|textarea|tfoot|th|thead|time|title|tr|track|tt|u|ul|var|video|wbr|xmp";

// Attributes written without a value: the boolean ones, and the old ones pages still write bare.
constexpr const char* kBareAttributes =
    "allowfullscreen|async|autofocus|autoplay|border|checked|compact|contenteditable|controls|declare|"
    "default|defer|disabled|download|formnovalidate|hidden|inert|ismap|itemscope|loop|multiple|muted|"
    "nohref|nomodule|noresize|noshade|novalidate|nowrap|open|playsinline|readonly|required|reversed|"
    "selected|truespeed";

const QRegularExpression& anyTag()
{
    // A tag is an element's name (or a custom or prefixed one, with "-" or ":") with attributes:
    // name=value, or a bare name that is an attribute of HTML or a data-/aria- one. So "a<b and
    // c>d" is text: "and" and "c" are no attributes. Blanks inside a tag never include a line feed:
    // a tag does not run over lines.
    static const QRegularExpression re(
        QStringLiteral(R"(<(?:%1|[a-z][a-z0-9]*[-:][a-z0-9:-]*)(?![a-z0-9:-]))"     // <name
                       R"((?:[^\S\n]+[a-z_:][a-z0-9_:.-]*[^\S\n]*=[^\S\n]*)"        //  attr=
                       R"((?:"[^"\n]*"|'[^'\n]*'|[^\s"'<>`]+))"                     //  value
                       R"(|[^\S\n]+(?:%2|(?:data|aria)-[a-z0-9_.:-]+)(?=[\s/>]))*)" //  bare attr
                       R"([^\S\n]*/?>)"                                             // > or />
                       R"(|</(?:%1|[a-z][a-z0-9]*[-:][a-z0-9:-]*)[^\S\n]*>)"        // </name>
                       R"(|<[!?][^>\n]*>)")                                         // <!...>, <?...?>
            .arg(QLatin1String(kElements), QLatin1String(kBareAttributes)),
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
