#pragma once
// The fixtures of the talk tests: a fresh program folder, the real talk service, recording
// stand-ins for mail and the SSTP control (recording_services.h), a fixed clock and random sequence,
// and either a fake stage or the character window (not started, at a place the test chooses).
// Balloons left open are closed afterwards.
#include "app/settings/IniManage.h"
#include "app/state/state.h"
#include "app/talk/fuki.h"
#include "app/talk/fuki2.h"
#include "app/talk/fuki3.h"
#include "app/talk/speak_talk.h"
#include "app/talk/talk_service.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "app/window/services.h"
#include "fake_stage.h"
#include "platform/audio/vbmp3.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/random.h"
#include "recording_services.h"
#include "test_files.h"
#include "test_home.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>

// The talk on a stage without a window (fake_stage.h): the balloons and the talk act on it, and the
// test sets the scene and reads what they did.
class TalkStage : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        auto m = std::make_unique<FakeMail>();
        auto s = std::make_unique<FakeSstp>();
        mail = m.get(), sstp = s.get();
        services::install(std::make_unique<TalkService>());
        services::install(std::move(m));
        services::install(std::move(s));
        platform::clock::setFake(QDateTime(QDate(2026, 12, 10), QTime(11, 20, 1)));
        platform::random::setSequence({0.0});
        fakeStage.corner = QPoint(300, 300);
        Stage::Install(&fakeStage);
    }
    void TearDown() override {
        fuki::Unload();
        fuki2::Unload();
        fuki3::Unload();
        vbmp3_close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Stage::Install(nullptr);
        services::reset();
        platform::clock::setFake(std::nullopt);
        platform::random::setSequence({});
    }
    void key(const char* name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QLatin1String(name), value);
    }
    QString temp(const QString& name) const { return platform::tempFolder() + QLatin1Char('/') + name; }
    // The text of the open main balloon, or "(closed)".
    static QString said() {
        return fuki::Instance() ? fuki::Instance()->Label1->text() : QStringLiteral("(closed)");
    }

    TestHome home;
    FakeMail* mail = nullptr;
    FakeSstp* sstp = nullptr;
    FakeStage fakeStage;
};

// The talk with the real character window (not started) on the stage, for what the talk and her
// watches do together: her MP3-end watch closing a balloon, or ending the program.
class TalkWithCharacter : public TalkStage {
protected:
    void SetUp() override {
        TalkStage::SetUp();
        morvik::EndProgram = [this] { ++ended; };
        morvik::MessageBox = [](const QString&) {};
        character = std::make_unique<morvik>();
        character->move(300, 300);
        Trei::MainWindow = character.get();
        Stage::Install(character.get());
    }
    void TearDown() override {
        TalkStage::TearDown();
        character.reset();
    }

    std::unique_ptr<morvik> character;
    int ended = 0;
};
