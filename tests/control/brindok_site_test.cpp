// The main window's site for the SSTP control, as the program uses it: the real libbrindok.so
// found beside the executable, registered on first use, and the character's greeting, double-click
// banter and farewell reaching a scripted SSTP server on 127.0.0.1:11000.
#include "control/brindok_ids.h"
#include "control/com/BrindokSite.h"
#include "control/com/registry.h"
#include "platform/codec.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class BrindokSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"MORVIK_COM_REGISTRY", "MORVIK_BRINDOK_LIBRARY", "XDG_RUNTIME_DIR"})
            saved_.emplace_back(name, qgetenv(name));
        qputenv("MORVIK_COM_REGISTRY", dir_.filePath(QStringLiteral("classes.reg")).toUtf8());
        qunsetenv("MORVIK_BRINDOK_LIBRARY");
        qputenv("XDG_RUNTIME_DIR", dir_.path().toUtf8());
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            qputenv(name, value);
    }

    QTemporaryDir dir_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(BrindokSiteTest, FindsTheLibraryBesideTheExecutable) {
    EXPECT_EQ(BrindokSite::libraryPath(), QFileInfo(QStringLiteral(BRINDOK_LIBRARY)).canonicalFilePath());
}

TEST_F(BrindokSiteTest, RegistersTheControlOnceAndReadsNoServerWhenNoneRuns) {
    const BrindokSite nh;
    ASSERT_TRUE(nh.available());
    EXPECT_EQ(com::registry::read(QStringLiteral("BRINDOK.BrindokCtrl.1\\CLSID")),
              brindok::kClsidBrindok.toString());
    EXPECT_EQ(nh.Sakura(), 0);
}

TEST_F(BrindokSiteTest, GreetingBanterAndFarewellReachTheServer) {
    SstpServer server("127.0.0.1");
    ASSERT_TRUE(server.listening());
    BrindokSite nh;
    ASSERT_TRUE(nh.available());
    ASSERT_EQ(nh.Sakura(), 1);
    const QString scripts[] = {
        QStringLiteral("\\h\\s0おはよう、モルヴィクです。\\e"),
        QStringLiteral("\\u\\s0なあに？"),
        QStringLiteral("\\h\\s0またね。\\w5"),
    };
    for (const QString& script : scripts)
        EXPECT_EQ(nh.Send(script, 0), 0);
    const auto requests = server.waitForRequests(3);
    ASSERT_EQ(requests.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const QByteArray expected = platform::codec::toCp932(
            QStringLiteral("SEND SSTP/1.1\r\nSender: localhost\r\nScript: %1\\e\r\n\r\n").arg(scripts[i]));
        EXPECT_EQ(requests[i], expected);
    }
}

TEST_F(BrindokSiteTest, AStaleRegistrationIsRenewed) {
    ASSERT_TRUE(com::registry::edit(com::registry::filePath(), [](com::registry::Tree& t) {
        t.setValue(QStringLiteral("BRINDOK.BrindokCtrl.1\\CLSID"), {}, brindok::kClsidBrindok.toString());
        t.setValue(QStringLiteral("CLSID\\") + brindok::kClsidBrindok.toString() +
                       QStringLiteral("\\InprocServer32"),
                   {}, QStringLiteral("/moved/away/libbrindok.so"));
    }));
    const BrindokSite nh;
    EXPECT_TRUE(nh.available());
}

TEST_F(BrindokSiteTest, WithoutTheLibraryEverythingIsQuietlyOff) {
    qputenv("MORVIK_BRINDOK_LIBRARY", dir_.filePath(QStringLiteral("missing/libbrindok.so")).toUtf8());
    SstpServer server("127.0.0.1");
    ASSERT_TRUE(server.listening());
    BrindokSite nh;
    EXPECT_FALSE(nh.available());
    EXPECT_EQ(nh.Sakura(), 0);
    EXPECT_EQ(nh.Send(QStringLiteral("Hi"), 0), std::nullopt);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(QFileInfo::exists(com::registry::filePath()));
}

} // namespace
