#pragma once
// A test fixture with a temporary folder of its own for the files the test writes; the folder and
// its files go when the test ends.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class ScratchTest : public ::testing::Test {
protected:
    // Writes bytes to the file of that name in the folder; its path.
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir_;
};
