#pragma once
// A fresh, empty program folder for one test: MORVIK_HOME points at it while the object lives.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};
