#pragma once
// Where the desktop keeps the user's folders. Each property asks afresh and returns a path without a
// closing '/', except Temp, which keeps its closing '/'. Desktop, Personal, Programs, StartMenu,
// Startup and Fonts come from the XDG user folders; the folders that only Windows has (Windows,
// System, Favorites, Recent, sendto and the registry paths) give the empty text.
#include <QString>

class clsSystemFolder {
public:
    QString Windows() const { return {}; }
    QString System() const { return {}; }
    QString Temp() const;
    QString Desktop() const;
    QString Programs() const;
    QString Personal() const;
    QString Favorites() const { return {}; }
    QString Startup() const;
    QString Recent() const { return {}; }
    QString sendto() const { return {}; }
    QString Fonts() const;
    QString StartMenu() const { return Programs(); }
    QString Device() const { return {}; }
    QString CommonFiles() const { return {}; }
    QString Config() const { return {}; }
    QString Media() const { return {}; }
    QString ProgramFiles() const { return {}; }
    QString OldWindows() const { return {}; }
};
