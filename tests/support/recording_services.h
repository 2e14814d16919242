#pragma once
// Recording stand-ins for the mail and SSTP services, shared by the window and the talk tests, and
// the reset of the flags both sets of tests start from.
#include "app/talk/speak.h"
#include "app/window/flag.h"
#include "app/window/services.h"

#include <QStringList>

struct FakeMail : services::Mail {
    QStringList calls;
    void CheckMail() override { calls << QStringLiteral("CheckMail"); }
    void ShowCheckSummary() override { calls << QStringLiteral("ShowCheckSummary"); }
    void DownloadAllMail() override { calls << QStringLiteral("DownloadAllMail"); }
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

// The flags of the balloons, the voice and the start-up, and the talk's texts, as at a program's
// first moment.
inline void resetSharedFlags() {
    flag::VoicePath.clear();
    flag::PlayMode = 0;
    flag::StartupDone = 0;
    flag::BalloonOpen = 0;
    flag::FukiShown = 0;
    flag::HoldBalloon = 0;
    flag::Exiting = 0;
    speak::TalkText.clear();
    speak::VoiceId.clear();
    speak::SstpScript.clear();
}
