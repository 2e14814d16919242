#pragma once
// The desktop that the tests of program starting and of the launcher start programs on, made once
// for the whole test program before its first test (GIO and Qt read the data folders once per
// process):
// - scripts in a folder of their own, named to tempt a shell ("with blank", "semi;colon",
//   "$(touch PWNED)", and "vens-fixture-tool", the name of an icon of the theme); each, when
//   started, leaves a marker file beside itself that says its arguments, its working folder and the
//   environment it got;
// - XDG_DATA_DIRS holding one desktop entry, vens-fixture.desktop, whose Exec starts "with blank"
//   with the argument --from-entry and whose Icon is a red PNG file;
// - XDG_DATA_HOME holding a hicolor icon theme of one green 16 x 16 icon, "vens-fixture-tool";
// - no session bus to reach, and QT_QPA_PLATFORM kept from the programs started, as the program
//   does when it chose the platform itself; FIXTURE_PASSED=yes is in the environment to pass on.
#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>

namespace fixture {

inline const QString kBlank = QStringLiteral("with blank");
inline const QString kSemicolon = QStringLiteral("semi;colon");
inline const QString kSubstitution = QStringLiteral("$(touch PWNED)");
inline const QString kThemed = QStringLiteral("vens-fixture-tool");
inline const QColor kEntryColour{255, 0, 0};
inline const QColor kThemeColour{0, 255, 0};

// The path of a script of the fixture.
QString script(const QString& name);
// The installed desktop entry.
QString entry();
// Every script of the fixture.
QStringList scripts();

// Removes every marker the scripts left.
void clearMarkers();
// Waits (up to 10 s) for the script's marker and gives its lines as key=value pairs ("args", "arg1",
// "pwd", "qpa", "passed"); empty when none came.
QMap<QString, QString> waitForMarker(const QString& name);
bool hasMarker(const QString& name);

// Whether a shell ran the substitution in a name somewhere: in the scripts' folder, the home
// folder or the test's working folder.
bool shellRan();

} // namespace fixture
