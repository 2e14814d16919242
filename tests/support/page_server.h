#pragma once
// A real HTTP server of the test's own: tests/support/page_server.py serving a folder on 127.0.0.1
// at a port it chose, with misbehaving paths (/slow, /silent, /status/N, /redirect?to=, /huge,
// /delay/MS/PATH).
// With tls it speaks HTTPS under a self-signed certificate made by openssl for the test.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PageServer {
public:
    explicit PageServer(const QString& folder, bool tls = false);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool ok() const { return port_ != 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path (https with tls).
    QString url(const QString& path) const;

private:
    QTemporaryDir keys_;
    QProcess process_;
    bool tls_ = false;
    int port_ = 0;
};
