#pragma once
// Starting a program or a desktop entry as the desktop does, and the icon that stands for it (the
// launcher's menu).
//
// A program is started as it is, with no arguments and never through a shell: a path full of
// blanks, ';' or "$(...)" names one file and nothing else. It starts detached in the user's home
// folder, with the environment this program was given (less the variables this program set for
// itself, see KeepFromPrograms). A desktop entry (a path ending in ".desktop") is started as the
// desktop starts it: its Exec line with its arguments, its own working folder (Path) when it has
// one, else the home folder. Nothing waits for a started program, and nothing reports a program
// that cannot be started: the caller only learns that it did not start.
//
// The icon of a desktop entry is its Icon (a file or a theme icon); that of a program is the Icon
// of an installed desktop entry whose Exec starts that very file, else the icon theme's icon of the
// program's file name, else a generic one. Icons are made afresh at each call; nothing is kept.
// Theme icons are those of Qt's platform theme; a platform that names none (the offscreen one)
// gets hicolor, every freedesktop desktop's theme, in the freedesktop data folders. GUI thread only.
//
// Desktop entries are read with GIO, opened at the first call that needs it (gio_library.h):
// without it a desktop entry does not start and shows the generic icon, and a program's icon is
// looked up by its file name only.
#include <QIcon>
#include <QString>

namespace platform::desktop {

// Starts the program or desktop entry at path; whether it started.
bool StartProgram(const QString& path);

// The icon shown for the program or desktop entry at path; never null.
QIcon ProgramIcon(const QString& path);

// Notes an environment variable that this program set for itself (the platform it asked Qt for),
// so that the programs it starts do not inherit it.
void KeepFromPrograms(const QByteArray& variable);

} // namespace platform::desktop
