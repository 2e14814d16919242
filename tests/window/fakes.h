#pragma once
// Stand-ins for the subsystems the character window calls, recording what it asked of them (mail
// and SSTP: recording_services.h).
#include "fake_dialup.h"
#include "recording_services.h"

#include <QPointer>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

struct FakeTalk : services::Talk {
    QStringList calls;
    int state = 0; // what vbmp3_getState answers
    bool fukiOpen = false, fukiAsks = false, fuki2Open = false;
    QString mciMode;
    Greeting greeting{QStringLiteral("おはようございます、"), QStringLiteral("今日も一日がんばりましょう"),
                      QStringLiteral("/tmp/aisatu7.mp3")};

    bool greetingFails = false; // LoadGreeting throws, as a step that fails
    Greeting LoadGreeting(bool firstRun, int row) override {
        calls << QStringLiteral("LoadGreeting %1 %2").arg(firstRun).arg(row);
        if (greetingFails)
            throw std::runtime_error("the dialogue database cannot be read");
        return greeting;
    }
    Chime LoadChime(int hour) override {
        calls << QStringLiteral("LoadChime %1").arg(hour);
        return {QStringLiteral("%1時です").arg(hour), QStringLiteral("/tmp/jiho%1.mp3").arg(hour)};
    }
    void ShowFuki() override {
        calls << QStringLiteral("ShowFuki ") + speak::state.TalkText;
        fukiOpen = true;
        ++fukiSaid;
    }
    unsigned fukiSaid = 0;
    unsigned FukiSaid() const override { return fukiSaid; }
    void CloseFuki() override {
        calls << QStringLiteral("CloseFuki");
        fukiOpen = false;
        for (auto& [context, then] : std::exchange(whenClosed, {}))
            if (context)
                QTimer::singleShot(0, context, then);
    }
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> whenClosed;
    void WhenFukiClosed(QObject* context, std::function<void()> then) override {
        if (fukiOpen)
            whenClosed.emplace_back(context, std::move(then));
        else
            QTimer::singleShot(0, context, std::move(then));
    }
    bool FukiOpen() const override { return fukiOpen; }
    bool FukiAsks() const override { return fukiAsks; }
    void SetFukiText(const QString& text) override { calls << QStringLiteral("SetFukiText ") + text; }
    void AskFuki() override {
        calls << QStringLiteral("AskFuki");
        fukiAsks = true;
    }
    bool Fuki2Open() const override { return fuki2Open; }
    void CloseFuki2() override {
        calls << QStringLiteral("CloseFuki2");
        fuki2Open = false;
    }
    void CloseFuki3() override { calls << QStringLiteral("CloseFuki3"); }
    void PlayCommonVoice() override { calls << QStringLiteral("PlayCommonVoice ") + speak::state.VoiceId; }
    void PlayVoice() override { calls << QStringLiteral("PlayVoice"); }
    void RandomTalk() override { calls << QStringLiteral("RandomTalk"); }
    void FarewellTalk() override {
        calls << QStringLiteral("FarewellTalk");
        flag::state.PlayMode = 1;
    }
    void ShowEditor() override { calls << QStringLiteral("ShowEditor"); }
    void vbmp3_init() override { calls << QStringLiteral("vbmp3_init"); }
    int vbmp3_getState() override { return state; }
    void vbmp3_close() override { calls << QStringLiteral("vbmp3_close"); }
    void vbmp3_free() override { calls << QStringLiteral("vbmp3_free"); }
    QString MciStatusMode(const QString&) override { return mciMode; }
};

// Puts a fresh talk stand-in of the type in as the talk service, which owns it, and returns it.
template <class Talk = FakeTalk> Talk* installTalk() {
    auto talk = std::make_unique<Talk>();
    Talk* installed = talk.get();
    services::install(std::move(talk));
    return installed;
}

struct FakeWindows : services::Windows {
    QStringList calls;
    void ShowPalk() override { calls << QStringLiteral("ShowPalk"); }
    void UnloadPalk() override { calls << QStringLiteral("UnloadPalk"); }
    bool palkBusy = false; // a chore of palk's runs
    bool PalkBusy() const override { return palkBusy; }
    void ShowLauncher() override { calls << QStringLiteral("ShowLauncher"); }
    void ShowHeadlines() override { calls << QStringLiteral("ShowHeadlines"); }
    void ShowSettings() override { calls << QStringLiteral("ShowSettings"); }
};
