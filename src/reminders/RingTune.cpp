#include "RingTune.h"

#include "platform/TuneCodes.h"
#include "platform/TunePlayer.h"

#include <QFileInfo>

namespace velmo {

void MusicRingTune::play(const QString& path)
{
    if (m_playing && m_music.FileName() == path)
        return;
    m_music.setFileName(path);
    m_music.Play();
    m_playing = true;
}

void MusicRingTune::replay()
{
    m_music.setPosition(0);
    m_music.Play();
}

void MusicRingTune::stop()
{
    m_music.StopPlaying();
    m_playing = false;
}

QString ringTunePath(const AssetFolder& assets, const QString& sound, const QString& diySound)
{
    if (!diySound.isEmpty() && QFileInfo(diySound).isFile())
        return diySound;
    const QString builtIn = tuneFileName(sound);
    if (!builtIn.isEmpty()) {
        const QString path = builtInTunePath(assets, builtIn);
        if (QFileInfo(path).isFile())
            return path;
    }
    return builtInTunePath(assets, builtInTuneFileNames().value(0));
}

} // namespace velmo
