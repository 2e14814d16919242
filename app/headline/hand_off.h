#pragma once
// The hand-off files of the headline engine: the plug-in, the page, the plug-in's input and the
// runner's output of one pass, kept in a folder of their own, tempFolder()/headline. The main
// balloon's clean-up ("*.tmp", "*.txt" of the temporary folder) never enters it, so it cannot take
// the files of a running update.
//
//   temp2.tmp                   a single site's plug-in
//   temp<id>.tmp                every site's plug-in, exported before an update of all sites
//   moe1.tmp, moe2.tmp          the anime schedule's two plug-ins
//   tempx.txt                   the page as fetched
//   temp.txt                    the plug-in's input: the page, or the page converted to UTF-8
//   temp2.txt                   the runner's output (temp1.txt and temp2.txt for the two schedule
//                               runs, temp3.txt their merged lines)
//
// Every file is written truncated: a longer file of an earlier pass never shows through. The folder
// is settled once (on the GUI thread, where the program folder is known); the files may then be
// used from the thread that runs the update.
#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <optional>

namespace headline {

class HandOff {
public:
    // The folder, made (mode 0700) when missing; ok() is false when it cannot be made.
    static HandOff open();

    bool ok() const { return !folder_.isEmpty(); }
    const QString& folder() const { return folder_; }
    // A file of the folder.
    QString path(const QString& name) const;

    // Deletes the folder's files whose names match the wildcard ("*.tmp"); how many went. Nothing
    // outside the folder is touched, and no subfolder.
    int deleteFiles(const QString& wildcard) const;
    // Deletes the named files of the folder where they exist.
    void remove(std::initializer_list<const char*> names) const;

    // Writes bytes as the whole of the file; false when it could not be written.
    bool write(const QString& name, const QByteArray& bytes) const;
    // The whole file, or nothing when it cannot be read.
    std::optional<QByteArray> read(const QString& name) const;

private:
    QString folder_;
};

} // namespace headline
