#pragma once
// Her window shown on a real X server, with her real timers and stand-ins for the other
// subsystems (fakes.h): the base of the tests that watch her on a display.
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "fakes.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

class CharacterOnX : public testing::Test {
protected:
    // Called by SetUp before the window is made: the services a test installs of its own.
    virtual void installServices() {}

    void SetUp() override {
        state::resetAll();
        talk = installTalk();
        dialup::install(ras);
        installServices();
        morvik::InstanceName = QStringLiteral("morvik-on-x-test-%1").arg(getpid());
        morvik::EndProgram = [] {};
        window = std::make_unique<morvik>();
        Stage::Install(window.get());
        window->move(300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        Stage::Install(nullptr);
        window.reset();
        services::reset();
        dialup::install(nullptr);
    }

    FakeTalk* talk = nullptr;
    std::shared_ptr<FakeRas> ras = std::make_shared<FakeRas>();
    std::unique_ptr<morvik> window;
};
