#pragma once
// The character window's talk: balloons, voice clips, the random talk and the farewell, the MP3
// clip player and the MIDI device's state, as services::Talk promises them. The program installs
// one at start-up; tests may install their own.
#include "app/window/services.h"

class TalkService : public services::Talk {
public:
    Greeting LoadGreeting(bool firstRun, int row) override;
    Chime LoadChime(int hour) override;
    void ShowFuki() override;
    void CloseFuki() override;
    bool FukiOpen() const override;
    bool FukiAsks() const override;
    unsigned FukiSaid() const override;
    void WhenFukiClosed(QObject* context, std::function<void()> then) override;
    void SetFukiText(const QString& text) override;
    void AskFuki() override;
    bool Fuki2Open() const override;
    void CloseFuki2() override;
    void CloseFuki3() override;
    void PlayCommonVoice() override;
    void PlayVoice() override;
    void RandomTalk() override;
    void FarewellTalk() override;
    void ShowEditor() override;
    void vbmp3_init() override;
    int vbmp3_getState() override;
    void vbmp3_close() override;
    void vbmp3_free() override;
    QString MciStatusMode(const QString& alias) override;
};
