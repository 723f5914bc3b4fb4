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

QString actionSoundPath(const AssetFolder& assets, ActionSound sound)
{
    switch (sound) {
    case ActionSound::Ok:
        return assets.filePath(QStringLiteral("sound/ok.wav"));
    case ActionSound::Delete:
        return assets.filePath(QStringLiteral("sound/del.wav"));
    case ActionSound::Error:
        return assets.filePath(QStringLiteral("sound/error.wav"));
    case ActionSound::Down:
        return assets.filePath(QStringLiteral("sound/down.wav"));
    }
    return {};
}

ActionSounds::ActionSounds(SoundPlayer& player, AssetFolder assets)
    : m_player(player)
    , m_assets(std::move(assets))
{
}

void ActionSounds::play(ActionSound sound)
{
    PlayWav(m_player, actionSoundPath(m_assets, sound));
}

} // namespace velmo
