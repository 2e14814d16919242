#pragma once
// Recording stand-ins for the mail and SSTP services, shared by the window and the talk tests.
#include "app/state/state.h"
#include "app/window/services.h"

#include <QStringList>
#include <stdexcept>

struct FakeMail : services::Mail {
    QStringList calls;
    bool checkFails = false; // CheckMail throws, as a handler that fails
    void CheckMail() override {
        calls << QStringLiteral("CheckMail");
        if (checkFails)
            throw std::runtime_error("no mail server");
    }
    void ShowCheckSummary() override { calls << QStringLiteral("ShowCheckSummary"); }
    bool downloadAborts = false; // DownloadAllMail ends as an account's failure does
    void DownloadAllMail() override {
        calls << QStringLiteral("DownloadAllMail");
        if (downloadAborts)
            flag::state.MailAbort = 1;
    }
    void Cancel() override { calls << QStringLiteral("Cancel"); }
    void ShowMailList() override { calls << QStringLiteral("ShowMailList"); }
    void SetSntpConnect() override { calls << QStringLiteral("SetSntpConnect"); }
};

struct FakeSstp : services::Sstp {
    int server = 0; // what Sakura() answers
    int asked = 0;  // how often Sakura() was asked
    QStringList sent;
    int Sakura() override {
        ++asked;
        return server;
    }
    int Send(const QString& script, int option) override {
        sent << QStringLiteral("%1|%2").arg(script).arg(option);
        return 0;
    }
};
