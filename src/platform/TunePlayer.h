#pragma once

#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;

namespace velmo {

// A tune player: one sound file (MIDI, MP3, WAV) at a time, played on the default sound device
// while the caller goes on. A new player holds no file and plays nothing.
//
// Nothing here reports an error: a file that cannot be played, or a machine without a sound
// device, leaves a player that plays nothing, with position and duration 0.
class clsMusic : public QObject
{
    Q_OBJECT

public:
    // Numbered like the state codes that callers compare with.
    enum PlayState
    {
        Stopped = 0,
        Paused = 1,
        Playing = 2,
    };

    // How far the file set last has got.
    enum class Load
    {
        None,    // no file name
        Loading, // the media backend is still opening it
        Ready,   // it can play; the duration is known
        Failed,  // missing, unreadable, not a sound, or no sound device: plays nothing
    };

    // SoundDevice (the program's choice) builds no media pipeline at all when the machine has no
    // sound device. AnySink lets the backend fall back to a silent sink of its own instead, so a
    // machine without sound still decodes and plays through to the end (tests use it).
    enum class Output
    {
        SoundDevice,
        AnySink,
    };

    explicit clsMusic(QObject* parent = nullptr, Output output = Output::SoundDevice);
    ~clsMusic() override;

    // Prepares the process for playback: the media backend that can play MIDI and the search path
    // of its General MIDI sound bank. Runs once; the first player calls it, and the program may call
    // it earlier, before anything else touches multimedia.
    static void prepareMediaEnvironment();
    // Whether the machine has a sound device to play on.
    static bool soundDeviceAvailable();

    // The full path set last (kept even when it cannot be played).
    QString FileName() const { return m_fileName; }
    // Stops and releases the file loaded before, then opens this one at its start. The empty
    // path only releases.
    void setFileName(const QString& path);

    // Starts playback and returns at once; from the start again when the file stands at its end.
    // Does nothing without a playable file.
    void Play();
    void Pause();
    // Stops playback where it is, without rewinding.
    void StopPlaying();

    // Seconds from the start; exactly Duration() once playback has reached the end; 0 without a
    // playable file.
    double Position() const;
    // Moves to a moment in seconds, kept within 0 and the duration. Nothing without a playable file.
    void setPosition(double seconds);
    // Length of the file in seconds; 0 without a playable file or while it is still opening.
    double Duration() const;

    // Stopped until the file can play, and again once it has played to its end.
    PlayState State() const;
    Load loadState() const { return m_load; }
    // True from the end of playback until the next Play, setPosition or file.
    bool isAtEnd() const { return m_atEnd; }

    // Loudness in percent, 0 to 100 (default 100); values outside are clamped.
    int Volume() const { return m_volume; }
    void setVolume(int percent);
    // Left-right balance, -100 (left) to 100 (right), default 0. Kept only: the Qt 6.4 audio
    // output has no balance control, so it does not change what is heard.
    int Balance() const { return m_balance; }
    void setBalance(int balance);
    // Playback rate, 1 is normal; kept within 0.25 and 4.
    double Speed() const { return m_speed; }
    void setSpeed(double rate);

signals:
    // The file has played to its end (once per run through it).
    void finished();
    // The file set turned out not to play after all (the media backend cannot decode it).
    void failed();

private:
    bool hasMedia() const { return m_load == Load::Loading || m_load == Load::Ready; }
    bool canBuildOutput() const;
    void ensurePlayer();
    void onMediaStatus(int status);
    void fail();
    void applyVolume();

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    Output m_output;
    QString m_fileName;
    Load m_load = Load::None;
    PlayState m_state = Stopped;
    bool m_atEnd = false;
    int m_volume = 100;
    int m_balance = 0;
    double m_speed = 1.0;
};

} // namespace velmo
