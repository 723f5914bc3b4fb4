#pragma once

// The per-user settings store (an INI file under the user's configuration folder).
//
//   auto settings = velmo::openUserSettings();
//   settings->setValue("Assistant/Position", pos);

#include <QSettings>

#include <memory>

namespace velmo {

std::unique_ptr<QSettings> openUserSettings();

} // namespace velmo
