#include "WireText.h"

#include "platform/Gbk.h"
#include "platform/UrlEncoders.h"

namespace velmo {

QString untravellablePart(QStringView text)
{
    if (text.contains(WireFieldSeparator))
        return WireFieldSeparator;
    for (qsizetype i = 0; i < text.size();) {
        const char32_t codePoint =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                : text.at(i).unicode();
        const qsizetype length = codePoint > 0xFFFF ? 2 : 1;
        // A NUL ends a text wherever the service reads it as one: it would come back cut short.
        if (codePoint == 0 || gbkCode(codePoint).size == 0)
            return text.mid(i, length).toString();
        i += length;
    }
    return {};
}

QString shownInMessage(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const char32_t codePoint =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const qsizetype length = pair ? 2 : 1;
        switch (QChar::category(codePoint)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate: // half of a pair
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            shown += QStringLiteral("<U+%1>").arg(QString::number(uint(codePoint), 16).toUpper(), 4, u'0');
            break;
        default:
            shown += text.mid(i, length);
            break;
        }
        i += length;
    }
    return shown;
}

QString untravellableMessage(const QString& part)
{
    return QStringLiteral("备忘中含有无法同步的文字“%1”,请删除后再保存").arg(shownInMessage(part));
}

QString untravellableUploadMessage(const QString& title, const QString& part)
{
    return QStringLiteral("备忘“%1”中含有无法同步的文字“%2”,暂不上传。请编辑该备忘,删除这些文字后再同步。")
        .arg(shownInMessage(title), shownInMessage(part));
}

qint64 uploadedTextBytes(const QString& title, const QString& content, const QString& tunePath)
{
    return EncodePostData(title).size() + EncodePostData(content).size() + URLEncode(tunePath).size();
}

namespace {

QString kilobytes(qint64 bytes)
{
    return QString::number((bytes + 1023) / 1024);
}

} // namespace

QString tooLargeMessage(qint64 bytes)
{
    return QStringLiteral("备忘太大:上传时约 %1 KB,服务器最多接受 %2 KB。请删减内容后再保存")
        .arg(kilobytes(bytes), kilobytes(MaxUploadBytes - UploadFieldsRoom));
}

QString tooLargeUploadMessage(const QString& title, qint64 bytes)
{
    return QStringLiteral(
               "备忘“%1”太大(上传时约 %2 KB,服务器最多接受 %3 KB),暂不上传。请编辑该备忘,删减内容后再同步。")
        .arg(title, kilobytes(bytes), kilobytes(MaxUploadBytes - UploadFieldsRoom));
}

} // namespace velmo
