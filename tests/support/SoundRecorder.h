#pragma once

#include "platform/Sounds.h"

#include <QStringList>

namespace velmo::test {

// A sound player that only writes down the paths it was asked to play.
class SoundRecorder : public SoundPlayer
{
public:
    void play(const QString& path) override { played.append(path); }
    QStringList played;
};

} // namespace velmo::test
