#pragma once
// Small window-system services of the character: always-on-top for the main window and the two
// talk balloons, the tray icon with its tip, full-row selection in list views, and the tooltip on
// the battery-gauge picture box.
#include <QIcon>
#include <QPointer>
#include <QString>
#include <functional>

class QAbstractItemView;
class QSystemTrayIcon;
class QWidget;

namespace Trei {

// Puts window on top (1) or not (0), keeping its place, its size and its native window, and shows
// it; on top, it is also raised, while clearing the setting leaves it where it is in the stack. Any
// other flag changes nothing and gives 0; otherwise the result is 1.
int SetTopMostWindow(QWidget* window, int flag);
// The same for the main window and the balloons, each registered by its window on creation.
int SetTopMost(int flag);
int SetTopMostFuki(int flag);
int SetTopMostFuki2(int flag);
inline QPointer<QWidget> MainWindow, Fuki, Fuki2;

inline const QString kStartTip = QStringLiteral("QTV-52モルヴィク起動しています");

// Operation 0 adds the tray icon, 1 changes its icon and tip, 2 removes it. Without a tray host,
// says so once on standard error and does nothing.
void TrayIcon(const QIcon& picture, const QString& tip, int operation);
// The tray icon, or null before it was added.
QSystemTrayIcon* Tray();
// Called with the mouse message a click on the tray icon stands for (516: right button down).
inline std::function<void(int)> TrayCallback;

// With on, turns on the extended-style bits of a list view (0x20: full-row selection) and gives the
// new bits. Turning bits off is never asked for and is not done.
int SetListViewExStyle(QAbstractItemView* view, bool on, int bits);

// The tooltip on the battery-gauge picture box: created empty at start-up, given the mail summary
// after a check, destroyed at exit. It shows where the mouse rests on the box, also while her window
// is not the active one.
void CreateTip(QWidget* image2);
void SetTipText(const QString& text);
void DestroyTip();
bool TipExists();

} // namespace Trei
