#include "WireText.h"

#include "platform/Gbk.h"

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
        if (gbkCode(codePoint).size == 0)
            return text.mid(i, length).toString();
        i += length;
    }
    return {};
}

QString untravellableMessage(const QString& part)
{
    return QStringLiteral("备忘中含有无法同步的文字“%1”,请删除后再保存").arg(part);
}

QString untravellableUploadMessage(const QString& title, const QString& part)
{
    return QStringLiteral("备忘“%1”中含有无法同步的文字“%2”,暂不上传。请编辑该备忘,删除这些文字后再同步。")
        .arg(title, part);
}

} // namespace velmo
