#include "TuneCodes.h"

#include <array>

namespace velmo {

namespace {

struct BuiltInTune
{
    const char* code;
    const char* fileName;
};

// The codes are the tune's place in the list with the file's extension.
constexpr std::array<BuiltInTune, 17> kTunes{{
    {"1.mid", "天空之城.mid"},
    {"2.mid", "致爱丽丝.mid"},
    {"3.mid", "赛马.mid"},
    {"4.mid", "sound of silence.mid"},
    {"5.mid", "婚礼进行曲.mid"},
    {"6.mid", "魂斗罗.mid"},
    {"7.mid", "骑士精神.mid"},
    {"8.mid", "生日快乐.mid"},
    {"9.mid", "遇见.mid"},
    {"10.mp3", "动感超人.mp3"},
    {"11.mp3", "CHAMPION.mp3"},
    {"12.mp3", "传奇.mp3"},
    {"13.mp3", "交警铃声.mp3"},
    {"14.mp3", "可爱短信音.mp3"},
    {"15.mp3", "铃声007.mp3"},
    {"16.mp3", "诺基亚.mp3"},
    {"17.mp3", "死了都要爱.mp3"},
}};

} // namespace

const QStringList& builtInTuneFileNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const BuiltInTune& tune : kTunes)
            list.append(QString::fromUtf8(tune.fileName));
        return list;
    }();
    return names;
}

QString tuneFileName(const QString& tuneCode)
{
    for (const BuiltInTune& tune : kTunes) {
        if (tuneCode == QLatin1String(tune.code))
            return QString::fromUtf8(tune.fileName);
    }
    return {};
}

QString tuneCode(const QString& fileName)
{
    for (const BuiltInTune& tune : kTunes) {
        if (fileName == QString::fromUtf8(tune.fileName))
            return QString::fromLatin1(tune.code);
    }
    return {};
}

QString builtInTunePath(const AssetFolder& assets, const QString& fileName)
{
    return assets.filePath(QStringLiteral("sound/") + fileName);
}

} // namespace velmo
