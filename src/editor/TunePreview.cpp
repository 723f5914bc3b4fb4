#include "TunePreview.h"

#include "platform/TunePlayer.h"

namespace velmo {

MusicPreview::MusicPreview()
    : m_player(std::make_unique<clsMusic>())
{
}

MusicPreview::~MusicPreview() = default;

void MusicPreview::play(const QString& path)
{
    m_player->setFileName(path);
    m_player->Play();
}

void MusicPreview::stop()
{
    m_player->StopPlaying();
}

} // namespace velmo
