#pragma once
// The mail on a stage without a window: fake servers behind the transfer table, a recording talk,
// a fresh program folder, and a recorder so that the animations' pauses take no time.
#include "../window/fakes.h"
#include "app/mail/mail.h"
#include "app/mail/mail_state.h"
#include "app/settings/IniManage.h"
#include "app/state/state.h"
#include "fake_stage.h"
#include "fake_transfer.h"
#include "platform/pace.h"
#include "test_home.h"

#include <gtest/gtest.h>

class MailStage : public ::testing::Test {
protected:
    void SetUp() override {
        state::resetAll();
        mail::state.reset();
        talk = installTalk();
        mail::setTransfer(servers.table());
        setAccounts(false, false);
        Stage::Install(&stage);
    }
    void TearDown() override {
        Stage::Install(nullptr);
        mail::setTransfer({});
        mail::setAccountsReader({});
        services::reset();
    }
    void setAccounts(bool second, bool third) {
        mail::setAccountsReader([second, third] { return fakeAccounts(second, third); });
    }
    void key(const char* name, const QString& value) {
        IniManage::BeginBatch();
        IniManage::WriteIni(QLatin1String(name), value);
    }
    // The talk's calls that make her heard or seen: clips, balloons, questions.
    QStringList spoken() const {
        QStringList out;
        for (const QString& call : talk->calls)
            if (call.startsWith(QStringLiteral("PlayCommonVoice")) ||
                call.startsWith(QStringLiteral("ShowFuki")) ||
                call.startsWith(QStringLiteral("SetFukiText")) || call == QStringLiteral("AskFuki") ||
                call == QStringLiteral("PlayVoice"))
                out << call;
        return out;
    }

    TestHome home;
    FakeServers servers;
    FakeStage stage;
    FakeTalk* talk = nullptr;
    platform::pace::Recorder recorder;
};
