#include "TunePreview.h"

#include "platform/TunePlayer.h"

namespace velmo {

MusicPreview::MusicPreview()
    : m_player(std::make_unique<clsMusic>())
{
    QObject::connect(m_player.get(), &clsMusic::finished, m_player.get(), [this] {
        if (ended)
            ended();
    });
    QObject::connect(m_player.get(), &clsMusic::failed, m_player.get(), [this] {
        if (failed)
            failed();
    });
}

MusicPreview::~MusicPreview() = default;

TunePreview::Start MusicPreview::play(const QString& path)
{
    m_player->setFileName(path);
    if (m_player->loadState() == clsMusic::Load::Failed)
        return clsMusic::soundDeviceAvailable() ? Start::Unplayable : Start::NoSoundDevice;
    m_player->Play();
    return Start::Playing;
}

void MusicPreview::stop()
{
    m_player->StopPlaying();
}

} // namespace velmo
