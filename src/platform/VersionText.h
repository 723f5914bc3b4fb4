#pragma once

#include <QString>

namespace velmo {

// The version as the program shows it: " v" + major + "." + minor and revision run together, so
// "1.8.3" gives " v1.83". Parts missing from the text count as 0.
QString VersionText(const QString& version);

// The caption of the sign-in window and the title of the main window: "Velmo v1.83 Beta版".
QString TitleText(const QString& version);

// The tray icon's tip while nothing rings: "Velmo v1.83".
QString TrayTipText(const QString& version);

} // namespace velmo
