#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace velmo {

class clsMusic;

// The tune player of an editor window's preview: plays one file while the window goes on, and says
// when the tune has ended or could not be played.
class TunePreview
{
public:
    enum class Start
    {
        Playing,       // started, or still opening the file
        NoSoundDevice, // the machine has nothing to play on
        Unplayable,    // the file cannot be read or is no sound
    };

    virtual ~TunePreview() = default;
    // Plays the file from its start.
    virtual Start play(const QString& path) = 0;
    virtual void stop() = 0;

    // Called once a tune has played to its end, and when a tune that started turns out not to play.
    std::function<void()> ended;
    std::function<void()> failed;
};

// The preview on the program's tune player.
class MusicPreview : public TunePreview
{
public:
    MusicPreview();
    ~MusicPreview() override;
    Start play(const QString& path) override;
    void stop() override;

private:
    std::unique_ptr<clsMusic> m_player;
};

// Makes the player of a window when it loads; each window has its own.
using TunePreviewFactory = std::function<std::unique_ptr<TunePreview>()>;

} // namespace velmo
