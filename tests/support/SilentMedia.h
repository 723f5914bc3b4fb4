#pragma once

#include <QLoggingCategory>
#include <QString>

namespace velmo::test {

// Makes every tune player of the test fall back to the media backend's silent sink, with or without
// a sound device, so media tests run the same on a desktop and headless, and make no noise. Call
// before the first player is made.
inline void useSilentMediaSink()
{
    qputenv("GST_PLUGIN_FEATURE_RANK", "pulsesink:NONE,alsasink:NONE,pipewiresink:NONE,openalsink:NONE,"
                                       "jackaudiosink:NONE,oss4sink:NONE,osssink:NONE");
    // The fallback sink announces itself once per file.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia.player.warning=false"));
}

} // namespace velmo::test
