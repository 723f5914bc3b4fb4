#include "Sounds.h"

#include "platform/FileUtils.h"

#include <QSoundEffect>
#include <QUrl>

namespace velmo {

EffectSoundPlayer::EffectSoundPlayer(QObject* parent)
    : QObject(parent)
{
}

void EffectSoundPlayer::play(const QString& path)
{
    for (QSoundEffect* effect : std::as_const(m_effects)) {
        if (effect->isPlaying())
            effect->stop();
    }
    QSoundEffect*& effect = m_effects[path];
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
    }
    // Plays as soon as the file is loaded; a file that cannot be played stays silent.
    effect->play();
}

void PlayWav(SoundPlayer& player, const QString& path)
{
    if (!FileExists(path))
        return;
    player.play(path);
}

} // namespace velmo
