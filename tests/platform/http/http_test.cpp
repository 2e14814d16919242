// One page fetched from a real HTTP server of the test's own, and every way the fetch may fail
// ending in its own failure with nothing of the body handed on.
#include "platform/http/http.h"

#include "platform/curl/curl_library.h"

#include "page_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using platform::http::Failure;
using platform::http::Limits;

namespace {

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pages_.isValid());
        QDir(pages_.path()).mkpath(QStringLiteral("cgi-bin"));
        QFile page(pages_.filePath(QStringLiteral("cgi-bin/page.txt")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write(kPage);
    }
    static constexpr char kPage[] = "\x93\xfa\x96\x7b line one\r\nline two\n"; // CP932 bytes kept as they are
    QTemporaryDir pages_;
};

struct Case {
    const char* path;
    Limits limits;
    Failure failure;
    long status;
};

TEST_F(HttpTest, EachPathEndsAsItShould) {
    PageServer server(pages_.path());
    ASSERT_TRUE(server.ok());
    const Limits quick{2000ms, 2000ms, 8 * 1024 * 1024};
    const Case cases[] = {
        {"/cgi-bin/page.txt", {}, Failure::None, 200},
        {"/redirect?to=/cgi-bin/page.txt", {}, Failure::None, 200},
        {"/status/404", {}, Failure::Status, 404},
        {"/status/500", {}, Failure::Status, 500},
        {"/status/204", {}, Failure::None, 204},
        {"/slow", quick, Failure::Timeout, 200},
        {"/silent", quick, Failure::Timeout, 0},
        {"/huge", {}, Failure::TooLarge, 200},
        {"/cgi-bin/page.txt", {2000ms, 2000ms, 10}, Failure::TooLarge, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        QElapsedTimer took;
        took.start();
        const auto response = platform::http::get(server.url(QString::fromUtf8(c.path)), c.limits);
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_EQ(response.status, c.status);
        EXPECT_LT(took.elapsed(), c.limits.total.count() + 1500);
        if (c.failure == Failure::None) {
            EXPECT_TRUE(response.reason.isEmpty());
            EXPECT_EQ(response.body, c.status == 200 ? QByteArray(kPage) : QByteArray());
        } else {
            EXPECT_TRUE(response.body.isEmpty());
            EXPECT_FALSE(response.reason.isEmpty());
        }
    }
}

TEST_F(HttpTest, ASelfSignedCertificateIsRefused) {
    PageServer server(pages_.path(), true);
    ASSERT_TRUE(server.ok());
    const auto response = platform::http::get(server.url(QStringLiteral("/cgi-bin/page.txt")));
    EXPECT_EQ(response.failure, Failure::Tls);
    EXPECT_TRUE(response.body.isEmpty());
}

TEST_F(HttpTest, ARedirectLeavesNeitherHttpNorHttps) {
    PageServer server(pages_.path());
    ASSERT_TRUE(server.ok());
    const auto response = platform::http::get(server.url(QStringLiteral("/redirect?to=file:///etc/passwd")));
    EXPECT_FALSE(response.ok());
    EXPECT_TRUE(response.body.isEmpty());
}

TEST(Http, AddressesOtherThanHttpWithAHostAreRefusedUnasked) {
    for (const char* address :
         {"", "ftp://127.0.0.1/x", "file:///etc/passwd", "http://", "javascript:1", "127.0.0.1/page"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(platform::http::get(QString::fromUtf8(address)).failure, Failure::BadAddress);
    }
}

TEST(Http, AClosedPortIsAConnectFailure) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const auto response = platform::http::get(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_EQ(response.failure, Failure::Connect);
}

// libcurl is opened at the first fetch; without it a fetch fails at once, naming it, and asks no
// server anything.
TEST(Http, WithoutLibcurlAFetchFailsNamingItAndContactsNoServer) {
    QTcpServer listening;
    ASSERT_TRUE(listening.listen(QHostAddress::LocalHost));
    platform::curl::library().pretendMissing(true);
    const auto response =
        platform::http::get(QStringLiteral("http://127.0.0.1:%1/").arg(listening.serverPort()));
    platform::curl::library().pretendMissing(false);
    EXPECT_EQ(response.failure, Failure::Other);
    EXPECT_EQ(response.reason, QStringLiteral("ライブラリ libcurl.so.4 を読み込めません"));
    EXPECT_FALSE(listening.waitForNewConnection(0));
}

TEST_F(HttpTest, RaisingTheCancelFlagEndsAFetchSoon) {
    PageServer server(pages_.path());
    ASSERT_TRUE(server.ok());
    std::atomic_bool cancel{false};
    std::thread raiser([&] {
        std::this_thread::sleep_for(300ms);
        cancel = true;
    });
    QElapsedTimer took;
    took.start();
    const auto response = platform::http::get(server.url(QStringLiteral("/slow")), {}, &cancel);
    raiser.join();
    EXPECT_EQ(response.failure, Failure::Cancelled);
    EXPECT_LT(took.elapsed(), 3000);
}

} // namespace
