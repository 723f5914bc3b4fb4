#pragma once

#include "platform/DataFolder.h"

#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

namespace velmo {

// Plays a short sound file without waiting for it to end. Tests put a recorder in its place.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& path) = 0;
};

// The real player: a new sound stops the one still playing, as one action follows another.
class EffectSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    explicit EffectSoundPlayer(QObject* parent = nullptr);
    void play(const QString& path) override;

private:
    QHash<QString, QSoundEffect*> m_effects;
};

// Plays the file at path when it exists; a missing file plays nothing.
void PlayWav(SoundPlayer& player, const QString& path);

} // namespace velmo
