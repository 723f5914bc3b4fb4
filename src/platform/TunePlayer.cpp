#include "TunePlayer.h"

#include <QAudio>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include <cmath>
#include <mutex>

namespace velmo {

namespace {

constexpr double kMinSpeed = 0.25;
constexpr double kMaxSpeed = 4.0;

// The MIDI decoder looks for its sound bank under sounds/sf2 (and sf3, soundfonts) of every folder
// in XDG_DATA_DIRS. A session that sets that list without /usr/share would hide the system's bank,
// so /usr/share is added at the end; an unset list already means /usr/local/share:/usr/share.
void keepSystemSoundBanksVisible()
{
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        return;
    const QString system = QStringLiteral("/usr/share");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QFileInfo(dir).canonicalFilePath() == system)
            return;
    }
    qputenv("XDG_DATA_DIRS", (dirs + QLatin1Char(':') + system).toLocal8Bit());
}

} // namespace

void clsMusic::prepareMediaEnvironment()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Only the GStreamer backend decodes MIDI (through its FluidSynth decoder).
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
            qputenv("QT_MEDIA_BACKEND", "gstreamer");
        keepSystemSoundBanksVisible();
    });
}

clsMusic::clsMusic(QObject* parent, Output output)
    : QObject(parent)
    , m_output(output)
{
    prepareMediaEnvironment();
}

clsMusic::~clsMusic() = default;

bool clsMusic::soundDeviceAvailable()
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool clsMusic::canBuildOutput() const
{
    return m_output == Output::AnySink || soundDeviceAvailable();
}

void clsMusic::ensurePlayer()
{
    if (m_player)
        return;
    m_player = new QMediaPlayer(this);
    m_audio = new QAudioOutput(m_player);
    m_player->setAudioOutput(m_audio);
    m_player->setPlaybackRate(m_speed);
    applyVolume();
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) { onMediaStatus(status); });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError && hasMedia())
            fail();
    });
}

void clsMusic::setFileName(const QString& path)
{
    m_fileName = path;
    m_state = Stopped;
    m_atEnd = false;
    m_load = Load::None;
    if (m_player) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || !canBuildOutput()) {
        m_load = Load::Failed;
        return;
    }
    ensurePlayer();
    // Follow the device the desktop uses now; a player may live longer than a headset.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isNull() && device != m_audio->device())
        m_audio->setDevice(device);
    m_load = Load::Loading;
    m_player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void clsMusic::onMediaStatus(int status)
{
    switch (status) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::StalledMedia:
        if (m_load == Load::Loading)
            m_load = Load::Ready;
        break;
    case QMediaPlayer::EndOfMedia:
        if (!hasMedia())
            break;
        m_load = Load::Ready;
        m_atEnd = true;
        m_state = Stopped;
        emit finished();
        break;
    case QMediaPlayer::InvalidMedia:
        if (hasMedia())
            fail();
        break;
    default:
        break;
    }
}

void clsMusic::fail()
{
    m_load = Load::Failed;
    m_state = Stopped;
    m_atEnd = false;
    m_player->stop();
    emit failed();
}

void clsMusic::Play()
{
    if (!hasMedia())
        return;
    if (m_atEnd) {
        m_atEnd = false;
        m_player->setPosition(0);
    }
    m_state = Playing;
    m_player->play();
}

void clsMusic::Pause()
{
    if (!hasMedia())
        return;
    m_state = Paused;
    m_player->pause();
}

void clsMusic::StopPlaying()
{
    if (!hasMedia() || m_state == Stopped)
        return;
    // The media backend's stop would rewind; a paused pipeline keeps the place.
    m_state = Stopped;
    m_player->pause();
}

double clsMusic::Position() const
{
    if (!hasMedia())
        return 0;
    if (m_atEnd)
        return Duration();
    return static_cast<double>(m_player->position()) / 1000.0;
}

void clsMusic::setPosition(double seconds)
{
    if (!hasMedia())
        return;
    const double duration = Duration();
    if (!(seconds > 0)) // also NaN
        seconds = 0;
    if (seconds > duration)
        seconds = duration;
    m_atEnd = false;
    m_player->setPosition(std::llround(seconds * 1000.0));
}

double clsMusic::Duration() const
{
    if (!hasMedia())
        return 0;
    return static_cast<double>(m_player->duration()) / 1000.0;
}

clsMusic::PlayState clsMusic::State() const
{
    return m_load == Load::Ready ? m_state : Stopped;
}

void clsMusic::setVolume(int percent)
{
    m_volume = qBound(0, percent, 100);
    applyVolume();
}

void clsMusic::applyVolume()
{
    if (!m_audio)
        return;
    // Percent as a listener hears it; the output wants a linear factor.
    m_audio->setVolume(QAudio::convertVolume(static_cast<float>(m_volume) / 100.0f,
                                             QAudio::LogarithmicVolumeScale, QAudio::LinearVolumeScale));
}

void clsMusic::setBalance(int balance)
{
    m_balance = qBound(-100, balance, 100);
}

void clsMusic::setSpeed(double rate)
{
    m_speed = std::isfinite(rate) ? qBound(kMinSpeed, rate, kMaxSpeed) : 1.0;
    if (m_player)
        m_player->setPlaybackRate(m_speed);
}

} // namespace velmo
