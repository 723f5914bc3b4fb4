#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace velmo {

class clsMusic;

// The tune player of an editor window's preview: plays one file while the window goes on.
class TunePreview
{
public:
    virtual ~TunePreview() = default;
    // Plays the file from its start; a file that cannot be played plays nothing.
    virtual void play(const QString& path) = 0;
    virtual void stop() = 0;
};

// The preview on the program's tune player.
class MusicPreview : public TunePreview
{
public:
    MusicPreview();
    ~MusicPreview() override;
    void play(const QString& path) override;
    void stop() override;

private:
    std::unique_ptr<clsMusic> m_player;
};

// Makes the player of a window when it loads; each window has its own.
using TunePreviewFactory = std::function<std::unique_ptr<TunePreview>()>;

} // namespace velmo
