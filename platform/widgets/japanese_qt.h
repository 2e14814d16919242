#pragma once
// Qt's own words in Japanese: the standard buttons of message boxes, the font dialog, the file
// chooser. Every word of hers is Japanese, so Qt's are too, whatever the user's locale says.
class QCoreApplication;

namespace platform::widgets::japanese_qt {

// Installs Qt's Japanese translation (qtbase_ja.qm of Qt's translations folder) on the application
// and makes Japanese the default locale. The file chooser is Qt's own, never the desktop's, and
// writes its types, sizes and dates in Japanese too, whatever the system's locale. False when the
// translation is not there: Qt's words then stay English, and standard error says so once.
bool install(QCoreApplication& app);

} // namespace platform::widgets::japanese_qt
