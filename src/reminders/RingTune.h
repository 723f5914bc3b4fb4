#pragma once

// The ring tune of due memos: which file a memo rings with, and the player it plays on.

#include "platform/DataFolder.h"

#include <QString>

namespace velmo {

class clsMusic;

// Plays one tune at a time; the alert restarts it when it has played to its end.
class RingTune
{
public:
    virtual ~RingTune() = default;
    // Plays the file from its start; the same file while it plays goes on undisturbed.
    virtual void play(const QString& path) = 0;
    // Plays the current file again from its start.
    virtual void replay() = 0;
    virtual void stop() = 0;
};

// The main window's tune player as the ring tune.
class MusicRingTune : public RingTune
{
public:
    explicit MusicRingTune(clsMusic& music)
        : m_music(music)
    {
    }
    void play(const QString& path) override;
    void replay() override;
    void stop() override;

private:
    clsMusic& m_music;
    bool m_playing = false;
};

// The tune a memo rings with: its custom tune when that file exists, else its built-in tune, else
// (unknown code or missing file) the first built-in tune.
QString ringTunePath(const AssetFolder& assets, const QString& sound, const QString& diySound);

} // namespace velmo
