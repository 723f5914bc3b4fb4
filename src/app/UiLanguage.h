#pragma once

namespace velmo {

// The program speaks Chinese: dates and numbers shown through QLocale() follow Chinese (China), and
// the standard buttons of Qt's own dialogs read "确定", "取消", "是", "否". Call once the application
// object exists. False when Qt's Chinese translations could not be loaded (the buttons then keep
// their English texts); the locale is set either way.
bool installChineseLanguage();

} // namespace velmo
