#include "Html.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace velmo {

namespace {

// The element names of HTML, the obsolete ones still found in pasted text included; sorted.
constexpr std::string_view kElements[] = {
    "a",        "abbr",       "acronym",    "address",  "applet",   "area",      "article", "aside",
    "audio",    "b",          "base",       "basefont", "bdi",      "bdo",       "bgsound", "big",
    "blink",    "blockquote", "body",       "br",       "button",   "canvas",    "caption", "center",
    "cite",     "code",       "col",        "colgroup", "data",     "datalist",  "dd",      "del",
    "details",  "dfn",        "dialog",     "dir",      "div",      "dl",        "dt",      "em",
    "embed",    "fieldset",   "figcaption", "figure",   "font",     "footer",    "form",    "frame",
    "frameset", "h1",         "h2",         "h3",       "h4",       "h5",        "h6",      "head",
    "header",   "hgroup",     "hr",         "html",     "i",        "iframe",    "img",     "input",
    "ins",      "kbd",        "keygen",     "label",    "legend",   "li",        "link",    "main",
    "map",      "mark",       "marquee",    "math",     "menu",     "menuitem",  "meta",    "meter",
    "nav",      "nobr",       "noembed",    "noframes", "noscript", "object",    "ol",      "optgroup",
    "option",   "output",     "p",          "param",    "picture",  "plaintext", "pre",     "progress",
    "q",        "rb",         "rp",         "rt",       "rtc",      "ruby",      "s",       "samp",
    "script",   "search",     "section",    "select",   "slot",     "small",     "source",  "span",
    "strike",   "strong",     "style",      "sub",      "summary",  "sup",       "svg",     "table",
    "tbody",    "td",         "template",   "textarea", "tfoot",    "th",        "thead",   "time",
    "title",    "tr",         "track",      "tt",       "u",        "ul",        "var",     "video",
    "wbr",      "xmp"};

// Attributes written without a value: the boolean ones, and the old ones pages still write bare.
constexpr std::string_view kBareAttributes[] = {
    "allowfullscreen", "async",      "autofocus",       "autoplay",  "border",
    "checked",         "compact",    "contenteditable", "controls",  "declare",
    "default",         "defer",      "disabled",        "download",  "formnovalidate",
    "hidden",          "inert",      "ismap",           "itemscope", "loop",
    "multiple",        "muted",      "nohref",          "nomodule",  "noresize",
    "noshade",         "novalidate", "nowrap",          "open",      "playsinline",
    "readonly",        "required",   "reversed",        "selected",  "truespeed"};

// Letters compare without case, as Unicode folds them: the Kelvin sign is a k and the long s an s.
char16_t fold(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return char16_t(c + (u'a' - u'A'));
    if (c == u'\u017F')
        return u's';
    if (c == u'\u212A')
        return u'k';
    return c;
}

bool isLetter(char16_t c)
{
    c = fold(c);
    return c >= u'a' && c <= u'z';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Blanks inside a tag: white space other than a line feed.
bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

bool isSpace(char16_t c)
{
    return isBlank(c) || c == u'\n';
}

bool isNameChar(char16_t c)
{
    return isLetter(c) || isDigit(c) || c == u':' || c == u'-';
}

bool isAttributeStart(char16_t c)
{
    return isLetter(c) || c == u'_' || c == u':';
}

bool isAttributeChar(char16_t c)
{
    return isNameChar(c) || c == u'_' || c == u'.';
}

// True when `word` (lower case ASCII) is `text` folded.
bool foldedEquals(QStringView text, std::string_view word)
{
    if (size_t(text.size()) != word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (fold(text[qsizetype(i)].unicode()) != char16_t(word[i]))
            return false;
    }
    return true;
}

bool foldedStartsWith(QStringView text, qsizetype at, std::string_view word)
{
    return text.size() - at >= qsizetype(word.size()) &&
           foldedEquals(text.mid(at, qsizetype(word.size())), word);
}

static_assert(std::is_sorted(std::begin(kElements), std::end(kElements)));
static_assert(std::is_sorted(std::begin(kBareAttributes), std::end(kBareAttributes)));

template <size_t N>
bool isOneOf(QStringView word, const std::string_view (&words)[N])
{
    // Longer than any listed word, or not plain letters and digits: none of them.
    std::array<char, 16> folded{};
    if (word.size() > qsizetype(folded.size()))
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = fold(word[i].unicode());
        if (c > 0x7F)
            return false;
        folded[size_t(i)] = char(c);
    }
    return std::binary_search(std::begin(words), std::end(words),
                              std::string_view(folded.data(), size_t(word.size())));
}

// An element's name, or a custom or prefixed one (a letter first, then a "-" or ":" somewhere).
bool isTagName(QStringView name)
{
    if (name.isEmpty())
        return false;
    return isOneOf(name, kElements) ||
           (isLetter(name.front().unicode()) && (name.contains(u'-') || name.contains(u':')));
}

qsizetype skip(QStringView text, qsizetype at, bool (*test)(char16_t))
{
    while (at < text.size() && test(text[at].unicode()))
        ++at;
    return at;
}

// One attribute from `at` (its leading blanks included): name=value, or a bare attribute of HTML
// or a data-/aria- one. The end of it, or nothing.
std::optional<qsizetype> attributeEnd(QStringView text, qsizetype at)
{
    const qsizetype start = skip(text, at, isBlank);
    if (start == at || start == text.size())
        return std::nullopt;
    if (isAttributeStart(text[start].unicode())) {
        qsizetype p = skip(text, skip(text, start + 1, isAttributeChar), isBlank);
        if (p < text.size() && text[p] == u'=') {
            p = skip(text, p + 1, isBlank);
            if (p == text.size())
                return std::nullopt;
            const char16_t quote = text[p].unicode();
            if (quote == u'"' || quote == u'\'') {
                for (++p; p < text.size() && text[p] != quote && text[p] != u'\n'; ++p) {
                }
                return p < text.size() && text[p] == quote ? std::optional(p + 1) : std::nullopt;
            }
            const qsizetype value = p;
            while (p < text.size()) {
                const char16_t c = text[p].unicode();
                if (isSpace(c) || c == u'"' || c == u'\'' || c == u'<' || c == u'>' || c == u'`')
                    break;
                ++p;
            }
            return p > value ? std::optional(p) : std::nullopt;
        }
    }
    // A bare attribute ends where white space, "/" or ">" follows.
    qsizetype end = start;
    while (end < text.size() && !isSpace(text[end].unicode()) && text[end] != u'/' && text[end] != u'>')
        ++end;
    if (end == text.size())
        return std::nullopt;
    const QStringView word = text.mid(start, end - start);
    if (isOneOf(word, kBareAttributes))
        return end;
    if ((foldedStartsWith(word, 0, "data-") || foldedStartsWith(word, 0, "aria-")) && word.size() > 5 &&
        std::all_of(word.begin() + 5, word.end(), [](QChar c) { return isAttributeChar(c.unicode()); }))
        return end;
    return std::nullopt;
}

// The end of the tag that starts with the "<" at `at`, or nothing when no tag starts there.
std::optional<qsizetype> tagEnd(QStringView text, qsizetype at)
{
    qsizetype p = at + 1;
    if (p == text.size())
        return std::nullopt;
    const char16_t first = text[p].unicode();
    if (first == u'!' || first == u'?') {
        for (++p; p < text.size() && text[p] != u'>' && text[p] != u'\n'; ++p) {
        }
        return p < text.size() && text[p] == u'>' ? std::optional(p + 1) : std::nullopt;
    }
    const bool closing = first == u'/';
    if (closing)
        ++p;
    const qsizetype nameEnd = skip(text, p, isNameChar);
    if (!isTagName(text.mid(p, nameEnd - p)))
        return std::nullopt;
    p = nameEnd;
    if (!closing) {
        while (const auto next = attributeEnd(text, p))
            p = *next;
    }
    p = skip(text, p, isBlank);
    if (!closing && p < text.size() && text[p] == u'/')
        ++p;
    return p < text.size() && text[p] == u'>' ? std::optional(p + 1) : std::nullopt;
}

// Whether the text holds what the tags alone do not cover: "&nbsp;", "<br>", "<BR>", or the start
// of a style or script block.
bool holdsSpecial(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&' && text.mid(i, 6) == u"&nbsp;")
            return true;
        if (c == u'<' && (text.mid(i, 4) == u"<br>" || text.mid(i, 4) == u"<BR>" ||
                          foldedStartsWith(text, i + 1, "style") || foldedStartsWith(text, i + 1, "script")))
            return true;
    }
    return false;
}

QString spacesAndBreaks(const QString& text)
{
    QString plain;
    plain.reserve(text.size() + 8);
    const QStringView view(text);
    qsizetype copied = 0;
    for (qsizetype i = 0; i < view.size();) {
        if (view[i] == u'&' && view.mid(i, 6) == u"&nbsp;") {
            plain.append(view.mid(copied, i - copied)).append(u' ');
            copied = i += 6;
        } else if (view[i] == u'<' && (view.mid(i, 4) == u"<br>" || view.mid(i, 4) == u"<BR>")) {
            plain.append(view.mid(copied, i - copied)).append(QLatin1String("\r\n"));
            copied = i += 4;
        } else {
            ++i;
        }
    }
    return plain.append(view.mid(copied));
}

// Removes every "<name...​/name>" written on one line (at least one character between the two).
QString withoutBlocks(const QString& text, std::string_view name)
{
    const QStringView view(text);
    const qsizetype open = qsizetype(name.size()) + 1;
    QString plain;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        if (view[i] != u'<' || !foldedStartsWith(view, i + 1, name))
            continue;
        // The closing "/name>" nearest after at least one character, before the line ends.
        qsizetype k = i + open;
        std::optional<qsizetype> end;
        for (; k < view.size() && view[k] != u'\n'; ++k) {
            if (k > i + open && view[k] == u'/' && foldedStartsWith(view, k + 1, name) &&
                k + open < view.size() && view[k + open] == u'>') {
                end = k + open + 1;
                break;
            }
        }
        if (!end) {
            // No block starts before k either: the same search would fail.
            i = k;
            continue;
        }
        plain.append(view.mid(copied, i - copied));
        copied = *end;
        i = *end - 1;
    }
    if (copied == 0)
        return text;
    return plain.append(view.mid(copied));
}

QString withoutTags(const QString& text)
{
    const QStringView view(text);
    QString plain;
    qsizetype copied = 0;
    for (qsizetype i = view.indexOf(u'<'); i >= 0 && i < view.size(); i = view.indexOf(u'<', i)) {
        if (const auto end = tagEnd(view, i)) {
            if (copied == 0)
                plain.reserve(text.size());
            plain.append(view.mid(copied, i - copied));
            copied = i = *end;
        } else {
            ++i;
        }
    }
    if (copied == 0)
        return text;
    return plain.append(view.mid(copied));
}

} // namespace

QString RemoveHtml(const QString& text)
{
    if (text.isEmpty())
        return {};
    QString plain = holdsSpecial(text)
                        ? withoutTags(withoutBlocks(withoutBlocks(spacesAndBreaks(text), "style"), "script"))
                        : withoutTags(text);
    // All of it removed: empty text, not a null one.
    return plain.isNull() ? QStringLiteral("") : plain;
}

QString RemoveHtml(const QVariant& value)
{
    if (value.isNull())
        return {};
    return RemoveHtml(value.toString());
}

} // namespace velmo
