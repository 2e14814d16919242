#pragma once
// The folders the program works in.
//
// programFolder(): the per-user writable folder that holds the settings file, the settings and
//   dialogue databases and everything else the program keeps between runs. It is $MORVIK_HOME when
//   set, else $XDG_DATA_HOME/morvik (~/.local/share/morvik). Created (mode 0700) on first use.
// tempFolder(): a private subfolder of it for the program's temporary files (voice clips, hand-off
//   files, the mail cache). Only this folder is ever cleaned by a file pattern.
// dataFolder(): the read-only data that ships with the program (dialogue database, help):
//   $MORVIK_DATA when set, else found from the executable's folder, wherever the tree lies: the
//   installed share/morvik-data of its prefix (<bin>/../share/morvik-data), else the build tree's
//   copy, which lies the same way from the build's bin/. Its name is not the program folder's, so
//   that an install to ~/.local puts nothing among her own files.
// programBinFolder(): the folder of the running program's executable, where the build and the
//   install put its sibling programs and the headline runners: $MORVIK_BIN when set (tests point it
//   at a folder of their own), else the executable's folder.
// Each call reads the environment afresh, so tests can point the program at a temporary folder.
#include <QString>

namespace platform {

QString programFolder();
QString tempFolder();
// The program folder's path as programFolder() gives it, without making sure the folder is there:
// for readers, which the timers are ten times a second (a missing folder holds no file to read).
QString programFolderPath();
QString dataFolder();
QString programBinFolder();

// Whether a sibling program of that name ("palk", "vens") lies beside this one: in
// programBinFolder(), the program folder or the data folder.
bool siblingPresent(const QString& name);
// Whether the temporary folder holds a file of this name, without making the folder and without a
// stat() while nothing changes there (FileStamp::watched), for the timers that wait for a file.
bool tempFileExists(const char* name);

// Deletes the files of tempFolder(), or of its direct subfolder when one is named ("mail"), whose
// names match the wildcard (such as "*.tmp"). Returns how many were deleted. Other subfolders and
// files elsewhere are never touched.
int deleteTempFiles(const QString& wildcard, const QString& subfolder = QString());

} // namespace platform
