// libcurl and GMime opened at the first mail call; without one, every call that needs it fails at
// once, naming it, and no server is contacted.
#include "platform/curl/curl_library.h"
#include "platform/net/mail_transfer.h"
#include "platform/net/net_libraries.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using mail_transfer::internal::gmime;

QString missing(const char* file) {
    return QStringLiteral("メールに要るライブラリ %1 を読み込めません").arg(QString::fromUtf8(file));
}

struct Case {
    const char* name;
    platform::SharedLibrary& (*library)();
    bool reads; // whether ReadMail needs it (receiving and sending need both)
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class WithoutLibrary : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        GetParam().library().pretendMissing(true);
        // A server on a port of the test's choosing that only listens: a connection made to it waits
        // in its queue, so after a call returns the queue tells whether the call connected.
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(listener_, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), length), 0);
        ASSERT_EQ(::listen(listener_, 8), 0);
        ASSERT_EQ(::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port_ = QString::number(ntohs(address.sin_port));
    }
    void TearDown() override {
        GetParam().library().pretendMissing(false);
        if (listener_ >= 0)
            ::close(listener_);
    }
    bool contacted() {
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0)
            return false;
        ::close(connection);
        return true;
    }

    int listener_ = -1;
    QString port_;
};

TEST_P(WithoutLibrary, EveryCallThatNeedsItFailsNamingItAndContactsNoServer) {
    const Case& c = GetParam();
    const QString why = missing(c.library().file());

    const std::optional<QStringList> received =
        mail_transfer::RcvMail(QStringLiteral("127.0.0.1\t") + port_, QStringLiteral("user"),
                               QStringLiteral("password"), QStringLiteral("STAT"), QString());
    EXPECT_FALSE(received.has_value());
    EXPECT_EQ(mail_transfer::lastError(), why);

    const QString sent = mail_transfer::SendMailEx(
        QString(), QStringLiteral("127.0.0.1:") + port_, QStringLiteral("you@example.jp"),
        QStringLiteral("me@example.jp"), QStringLiteral("件名"), QStringLiteral("本文"), QString());
    EXPECT_EQ(sent, QStringLiteral("\r\n") + why);
    EXPECT_FALSE(contacted());

    const std::optional<QStringList> read = mail_transfer::ReadMail(
        QStringLiteral(MORVIK_MAIL_FIXTURES "/iso2022jp.eml"), QStringLiteral("subject:"), QString());
    EXPECT_EQ(read.has_value(), !c.reads);
    EXPECT_EQ(mail_transfer::lastError(), c.reads ? why : QString());
}

INSTANTIATE_TEST_SUITE_P(Libraries, WithoutLibrary,
                         ::testing::Values(Case{"libcurl", platform::curl::library, false},
                                           Case{"GMime", gmime, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
