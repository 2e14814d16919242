#pragma once
// The settings file mailSet.ini in the program folder, one section per login name.
// A batch of reads and writes begins with BeginBatch() (or by setting IniPath and calling
// locate::GetUserSection()); GetIni and WriteIni then act on IniManage.IniPath, section
// IniManage.Section (app/state/IniManage.h).
#include "app/state/IniManage.h"
#include "platform/ini_file.h"

#include <QString>

namespace IniManage {

// Sets IniPath to the program folder's mailSet.ini and Section to the user's section. The folder
// is made (when missing) by a write, not by the batch: the timers begin one ten times a second.
void BeginBatch();

// The stored value of key, or def when the key, the section or the file is absent.
QString GetIni(const QString& key, const QString& def = QString());

// Stores value under key; false when the file could not be read or written (the caller may
// ignore it: the file is then as it was).
bool WriteIni(const QString& key, const QString& value);

// Stores every (key, value) in one rewrite of the file, in order; all or nothing: false when any of
// them could not be stored, and the file is then as it was.
bool WriteAll(const platform::ini::Pairs& pairs);

// The part of text before its first NUL; a text without a NUL gives the empty text.
QString TrimNull(const QString& text);

} // namespace IniManage

namespace locate {

// Sets IniManage.Section to the login name from the password database, or "DEFAULT".
void GetUserSection();

} // namespace locate
