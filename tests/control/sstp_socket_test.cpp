// The request socket against a scripted SSTP server over real loopback sockets: the exact bytes
// of the seven requests, reply parsing, and every way a request can fail.
#include "control/SstpSocket.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

class SstpSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        socket.SetServerAddress(server.address());
    }

    SstpServer server;
    CSstpSocket socket;
};

// One request: the call, and the bytes that must reach the server.
struct WireCase {
    const char* name;
    std::function<int32_t(CSstpSocket&)> call;
    QByteArray bytes;
};
void PrintTo(const WireCase& c, std::ostream* os) {
    *os << c.name;
}

// "表" in CP932 is 0x95 0x5C: its second byte is a backslash.
const QByteArray kHyo = "\x95\x5C";

// The bytes of a literal, NULs inside it included.
template <size_t N> QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

const WireCase kWireCases[] = {
    {"SendOptionMinus1", [](CSstpSocket& s) { return s.Send("Hello", -1); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hello\\e\r\n\r\n"},
    {"SendOption0", [](CSstpSocket& s) { return s.Send("Hello", 0); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hello\\e\r\n\r\n"},
    {"SendOption1", [](CSstpSocket& s) { return s.Send("Hello", 1); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hello\\e\r\nOption: nodescript\r\n\r\n"},
    {"SendOption2", [](CSstpSocket& s) { return s.Send("Hello", 2); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hello\\e\r\nOption: notranslate\r\n\r\n"},
    // An option the protocol does not know adds no header, so the request keeps its blank line.
    {"SendOption3", [](CSstpSocket& s) { return s.Send("Hello", 3); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hello\\e\r\n\r\n"},
    {"SendScriptEndingInE", [](CSstpSocket& s) { return s.Send("\\h\\s0Hi\\e", 0); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: \\h\\s0Hi\\e\\e\r\n\r\n"},
    {"Send2EmptyEntry", [](CSstpSocket& s) { return s.Send2("S", ""); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: \r\n\r\n"},
    {"Send2OneEntry", [](CSstpSocket& s) { return s.Send2("S", "a"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: a\r\n\r\n"},
    {"Send2TwoEntries", [](CSstpSocket& s) { return s.Send2("S", "a\\r\\nb"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: a\r\nEntry: b\r\n\r\n"},
    {"Send2TrailingSeparator", [](CSstpSocket& s) { return s.Send2("S", "a\\r\\n"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: a\r\nEntry: \r\n\r\n"},
    {"Send2LeadingSeparator", [](CSstpSocket& s) { return s.Send2("S", "\\r\\na"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: \r\nEntry: a\r\n\r\n"},
    // The backslash inside 表 followed by "r\n" is no separator ...
    {"Send2TrailByteBeforeRN", [](CSstpSocket& s) { return s.Send2("S", kHyo + "r\\n"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: " + kHyo + "r\\n\r\n\r\n"},
    // ... while a real separator right behind 表 is one.
    {"Send2SeparatorAfterTrailByte", [](CSstpSocket& s) { return s.Send2("S", kHyo + "\\r\\nb"); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: " + kHyo + "\r\nEntry: b\r\n\r\n"},
    {"SendExHwndMinus1", [](CSstpSocket& s) { return s.SendEx("S", "x", -1); },
     "SEND SSTP/1.3\r\nSender: localhost\r\nHWnd: -1\r\nScript: S\\e\r\nEntry: x\r\n\r\n"},
    {"SendExTwoEntries", [](CSstpSocket& s) { return s.SendEx("S", "a\\r\\nb", 2147483647); },
     "SEND SSTP/1.3\r\nSender: localhost\r\nHWnd: 2147483647\r\nScript: S\\e\r\nEntry: a\r\nEntry: "
     "b\r\n\r\n"},
    {"Execute", [](CSstpSocket& s) { return s.Execute("GetName"); },
     "EXECUTE SSTP/1.0\r\nSender: localhost\r\nCommand: GetName\r\n\r\n"},
    {"GiveDocument", [](CSstpSocket& s) { return s.GiveDocument("report.txt"); },
     "GIVE SSTP/1.1\r\nSender: localhost\r\nDocument: report.txt\r\n\r\n"},
    {"GiveSongname", [](CSstpSocket& s) { return s.GiveSongname("Song \\e"); },
     "GIVE SSTP/1.1\r\nSender: localhost\r\nSongname: Song \\e\r\n\r\n"},
    {"Communicate", [](CSstpSocket& s) { return s.Communicate("Hi there"); },
     "COMMUNICATE SSTP/1.1\r\nSender: localhost\r\nSentence: Hi there\r\n\r\n"},
    // A value ends at its first NUL; what follows it, a line end included, never goes out.
    {"SendScriptEndsAtNul", [](CSstpSocket& s) { return s.Send(bytes("Hi\0\r\nOption: notranslate"), 1); },
     "SEND SSTP/1.1\r\nSender: localhost\r\nScript: Hi\\e\r\nOption: nodescript\r\n\r\n"},
    {"Send2EntryEndsAtNul", [](CSstpSocket& s) { return s.Send2(bytes("S\0T"), bytes("a\0\\r\\nb")); },
     "SEND SSTP/1.2\r\nSender: localhost\r\nScript: S\\e\r\nEntry: a\r\n\r\n"},
    {"SendExEntryEndsAtNul", [](CSstpSocket& s) { return s.SendEx("S", bytes("\0a"), 7); },
     "SEND SSTP/1.3\r\nSender: localhost\r\nHWnd: 7\r\nScript: S\\e\r\nEntry: \r\n\r\n"},
    {"ExecuteEndsAtNul", [](CSstpSocket& s) { return s.Execute(bytes("GetName\0\r\n")); },
     "EXECUTE SSTP/1.0\r\nSender: localhost\r\nCommand: GetName\r\n\r\n"},
    {"GiveDocumentEndsAtNul", [](CSstpSocket& s) { return s.GiveDocument(bytes("a\0b")); },
     "GIVE SSTP/1.1\r\nSender: localhost\r\nDocument: a\r\n\r\n"},
    {"GiveSongnameEndsAtNul", [](CSstpSocket& s) { return s.GiveSongname(bytes("\0b")); },
     "GIVE SSTP/1.1\r\nSender: localhost\r\nSongname: \r\n\r\n"},
    {"CommunicateEndsAtNul", [](CSstpSocket& s) { return s.Communicate(bytes("Hi\0 there")); },
     "COMMUNICATE SSTP/1.1\r\nSender: localhost\r\nSentence: Hi\r\n\r\n"},
    {"SenderNameEndsAtNul",
     [](CSstpSocket& s) {
         s.SetSenderName(bytes("me\0\r\nScript: x"));
         return s.Send("Hi", 0);
     },
     "SEND SSTP/1.1\r\nSender: me\r\nScript: Hi\\e\r\n\r\n"},
};

class SstpWireTest : public SstpSocketTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(SstpWireTest, SendsExactlyTheseBytes) {
    EXPECT_EQ(GetParam().call(socket), 0);
    const auto requests = server.waitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], GetParam().bytes);
    EXPECT_EQ(socket.SendString(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Requests, SstpWireTest, ::testing::ValuesIn(kWireCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SstpSocketTest, TheServerAddressEndsAtItsFirstNul) {
    socket.SetServerAddress(server.address() + bytes("\0.junk"));
    EXPECT_EQ(socket.ServerAddress(), server.address());
    EXPECT_EQ(socket.Send("Hi", 0), 0);
    EXPECT_EQ(server.waitForRequests(1).size(), 1u);
}

TEST_F(SstpSocketTest, SenderNameGoesIntoEveryRequest) {
    socket.SetSenderName("morvik");
    ASSERT_EQ(socket.Execute("GetVersion"), 0);
    EXPECT_EQ(server.waitForRequests(1).at(0),
              "EXECUTE SSTP/1.0\r\nSender: morvik\r\nCommand: GetVersion\r\n\r\n");
}

// A reply, and what the status code and Response are after it. The request before it was
// answered with 299, so 299 means "left as it was".
struct ReplyCase {
    const char* name;
    QByteArray reply;
    int32_t status;
    QByteArray response;
};
void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

const QByteArray kLong = "SSTP/1.4 400 Bad Request\r\n" + QByteArray(200, 'x');

const ReplyCase kReplyCases[] = {
    {"Ok", "SSTP/1.4 200 OK\r\n\r\n", 200, "SSTP/1.4 200 OK\r\n\r\n"},
    {"NoContent", "SSTP/1.4 204 No Content\r\n\r\n", 204, "SSTP/1.4 204 No Content\r\n\r\n"},
    {"Break", "SSTP/1.1 210 Break\r\n", 210, "SSTP/1.1 210 Break\r\n"},
    {"CodeWithoutReason", "SSTP/1.0 512", 512, "SSTP/1.0 512"},
    {"ShortNoCode", "SSTP/1.4", 299, "SSTP/1.4"},
    {"ShortNoMinor", "SSTP/1.", 299, "SSTP/1."},
    {"OverLongIsCut", kLong, 400, kLong.left(128)},
    {"OtherProtocol", "HTTP/1.1 200 OK\r\n\r\n", 299, "HTTP/1.1 200 OK\r\n\r\n"},
    {"Garbage", "\x01\x02 SSTP/1.4 200", 299, "\x01\x02 SSTP/1.4 200"},
    {"CodeTooLarge", "SSTP/1.4 99999999999 OK\r\n", 299, "SSTP/1.4 99999999999 OK\r\n"},
    {"TextEndsAtNul", QByteArray("SSTP/1.4 201 \0hidden", 20), 201, "SSTP/1.4 201 "},
};

class SstpReplyTest : public SstpSocketTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(SstpReplyTest, ParsesTheStatusLine) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 299 Earlier\r\n"},
                   {SstpServer::Step::Answer, GetParam().reply}});
    ASSERT_EQ(socket.Send("first", 0), 0);
    ASSERT_EQ(socket.StatusCode(), 299);
    EXPECT_EQ(socket.Send("second", 0), 0);
    EXPECT_EQ(socket.StatusCode(), GetParam().status);
    EXPECT_EQ(socket.Response(), GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(Replies, SstpReplyTest, ::testing::ValuesIn(kReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SstpSocketTest, ALaterShorterReplyShowsOnlyItsOwnBytes) {
    server.script({{SstpServer::Step::Answer, kLong}, {SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}});
    ASSERT_EQ(socket.Send("long", 0), 0);
    ASSERT_EQ(socket.Response().size(), 128);
    ASSERT_EQ(socket.Send("short", 0), 0);
    EXPECT_EQ(socket.Response(), "SSTP/1.4 200 OK\r\n");
}

TEST_F(SstpSocketTest, AServerThatClosesWithoutAnsweringStillCountsAsSent) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}, {SstpServer::Step::CloseSilently, {}}});
    ASSERT_EQ(socket.Send("first", 0), 0);
    EXPECT_EQ(socket.Send("second", 0), 0);
    EXPECT_EQ(socket.StatusCode(), 200);
    EXPECT_EQ(socket.Response(), "");
    EXPECT_EQ(server.waitForRequests(2).size(), 2u);
}

TEST_F(SstpSocketTest, AServerThatNeverAnswersIsGivenUpAfterTheTimeLimit) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"},
                   {SstpServer::Step::AnswerAfterHangup, "SSTP/1.4 500 Too late\r\n"}});
    ASSERT_EQ(socket.Send("first", 0), 0);
    socket.setTimeout(200ms);
    EXPECT_EQ(socket.Send("second", 0), 0);
    EXPECT_EQ(socket.StatusCode(), 200);
    EXPECT_EQ(socket.Response(), "");
    EXPECT_EQ(server.waitForRequests(2).at(1),
              "SEND SSTP/1.1\r\nSender: localhost\r\nScript: second\\e\r\n\r\n");
}

TEST_F(SstpSocketTest, ARefusedConnectionGives102AndKeepsTheLastTexts) {
    ASSERT_EQ(socket.Send("first", 0), 0);
    const QByteArray request = socket.SendString();
    const QByteArray reply = socket.Response();
    const RefusingAddress refusing;
    socket.SetServerAddress(refusing.host().toLatin1());
    EXPECT_EQ(socket.Send("second", 0), 102);
    EXPECT_EQ(socket.SendString(), request);
    EXPECT_EQ(socket.Response(), reply);
}

TEST_F(SstpSocketTest, AConnectionThatHangsGives102AfterTheTimeLimit) {
    const StalledAddress stalled;
    socket.SetServerAddress(stalled.host().toLatin1());
    socket.setTimeout(200ms);
    EXPECT_EQ(socket.Send("Hello", 0), 102);
    EXPECT_EQ(socket.SendString(), "");
}

TEST_F(SstpSocketTest, AServerThatTakesNoBytesGives104AfterTheTimeLimit) {
    SstpServer holding({}, 4096);
    ASSERT_TRUE(holding.listening());
    socket.SetServerAddress(holding.address());
    holding.script(
        {{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}, {SstpServer::Step::HoldWithoutReading, {}}});
    ASSERT_EQ(socket.Send("first", 0), 0);
    const QByteArray reply = socket.Response();
    socket.setTimeout(200ms);
    socket.setSendBufferSize(4096);
    // Far more than the small socket buffers of both ends hold, so the send must wait for the server.
    const QByteArray script(1024 * 1024, 'a');
    EXPECT_EQ(socket.Send(script, 0), 104);
    EXPECT_TRUE(socket.SendString().startsWith("SEND SSTP/1.1\r\nSender: localhost\r\nScript: aaaa"));
    EXPECT_EQ(socket.Response(), reply);
}

// A name lookup held in place until the test lets it go (or a safety time has passed), then
// answering with the given address.
class HeldLookup {
public:
    explicit HeldLookup(const QByteArray& answer) : state_(std::make_shared<State>()) {
        ::inet_pton(AF_INET, answer.constData(), &state_->answer);
    }
    ~HeldLookup() { release(); }

    brindok::net::Lookup lookup() const {
        return [state = state_](const QByteArray& host) -> std::optional<in_addr> {
            std::unique_lock lock(state->mutex);
            state->asked.push_back(host);
            state->inside = true;
            state->changed.notify_all();
            state->changed.wait_for(lock, 10s, [&] { return state->released; });
            state->inside = false;
            return state->answer;
        };
    }
    void release() {
        const std::lock_guard lock(state_->mutex);
        state_->released = true;
        state_->changed.notify_all();
    }
    // Whether a lookup is still waiting to be let go.
    bool waiting() const {
        const std::lock_guard lock(state_->mutex);
        return state_->inside;
    }
    std::vector<QByteArray> asked() const {
        const std::lock_guard lock(state_->mutex);
        return state_->asked;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        bool inside = false;
        std::vector<QByteArray> asked;
        in_addr answer{};
    };
    std::shared_ptr<State> state_;
};

TEST_F(SstpSocketTest, ANameThatIsNeverResolvedGives102AtTheTimeLimit) {
    ASSERT_EQ(socket.Send("first", 0), 0);
    const QByteArray request = socket.SendString();
    HeldLookup silent(server.address());
    socket.setLookup(silent.lookup());
    socket.SetServerAddress("sstp.invalid");
    socket.setTimeout(200ms);
    EXPECT_EQ(socket.Send("second", 0), 102);
    // The request gave up while the lookup still hung.
    EXPECT_TRUE(silent.waiting());
    EXPECT_EQ(silent.asked(), std::vector<QByteArray>{"sstp.invalid"});
    EXPECT_EQ(socket.SendString(), request);
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(SstpSocketTest, ANameThatResolvesInTimeIsConnectedTo) {
    HeldLookup lookup(server.address());
    lookup.release();
    socket.setLookup(lookup.lookup());
    socket.SetServerAddress("sstp.invalid");
    EXPECT_EQ(socket.Send("Hi", 0), 0);
    EXPECT_EQ(server.waitForRequests(1).size(), 1u);
}

TEST_F(SstpSocketTest, TheTimeLimitHoldsForTheWholeRequestLookupIncluded) {
    // The lookup takes most of the time; the connection that follows then hangs. The request ends
    // when its one time limit is up, not a full limit after the lookup.
    const StalledAddress stalled;
    socket.setLookup([answer = stalled.host().toLatin1()](const QByteArray&) -> std::optional<in_addr> {
        std::this_thread::sleep_for(800ms);
        in_addr address{};
        ::inet_pton(AF_INET, answer.constData(), &address);
        return address;
    });
    socket.SetServerAddress("sstp.invalid");
    socket.setTimeout(1000ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.Send("Hello", 0), 102);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

TEST_F(SstpSocketTest, NoSocketGives101) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const int32_t result = socket.Send("Hello", 0);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(result, 101);
    EXPECT_EQ(server.connections(), 0);
}

// A value holding CR or LF would end its header line and start lines of its own.
struct InjectionCase {
    const char* name;
    std::function<int32_t(CSstpSocket&)> call;
};
void PrintTo(const InjectionCase& c, std::ostream* os) {
    *os << c.name;
}

const InjectionCase kInjectionCases[] = {
    {"SendScript", [](CSstpSocket& s) { return s.Send("Hi\r\nOption: notranslate", 0); }},
    {"SendScriptLoneLf", [](CSstpSocket& s) { return s.Send("Hi\n\nSEND SSTP/1.1", 0); }},
    {"Send2Script", [](CSstpSocket& s) { return s.Send2("Hi\r", "a"); }},
    {"Send2Entry", [](CSstpSocket& s) { return s.Send2("Hi", "a\r\nScript: other"); }},
    {"SendExEntry", [](CSstpSocket& s) { return s.SendEx("Hi", "a\n", 1); }},
    {"ExecuteCommand", [](CSstpSocket& s) { return s.Execute("GetName\r\n\r\n"); }},
    {"GiveDocumentDocument", [](CSstpSocket& s) { return s.GiveDocument("a\rb"); }},
    {"GiveSongnameSongname", [](CSstpSocket& s) { return s.GiveSongname("a\nb"); }},
    {"CommunicateSentence", [](CSstpSocket& s) { return s.Communicate("a\r\nb"); }},
    {"SenderName",
     [](CSstpSocket& s) {
         s.SetSenderName("me\r\nScript: x");
         return s.Send("Hi", 0);
     }},
};

class SstpInjectionTest : public SstpSocketTest, public ::testing::WithParamInterface<InjectionCase> {};

TEST_P(SstpInjectionTest, IsRefusedBeforeConnecting) {
    ASSERT_EQ(socket.Send("first", 0), 0);
    const QByteArray request = socket.SendString();
    ASSERT_EQ(server.connections(), 1);
    EXPECT_EQ(GetParam().call(socket), 104);
    EXPECT_EQ(socket.SendString(), request);
    EXPECT_EQ(server.connections(), 1);
}

INSTANTIATE_TEST_SUITE_P(Values, SstpInjectionTest, ::testing::ValuesIn(kInjectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
