#pragma once
// The archives made by real tools (make_archives.py) once per test program, in a folder that lives
// as long as the program. Needs MORVIK_PYTHON3 and MORVIK_ARCHIVE_SCRIPT defined by the build.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QString madeArchives() {
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        QProcess script;
        script.start(QStringLiteral(MORVIK_PYTHON3), {QStringLiteral(MORVIK_ARCHIVE_SCRIPT), dir.path()});
        EXPECT_TRUE(script.waitForFinished(120000));
        EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
        made = true;
    }
    return dir.path();
}
