// The control's automation surface, late bound by dispatch id as a host calls it, against a
// scripted server on its own loopback address.
#include "control/BrindokCtrl.h"
#include "control/brindok_ids.h"
#include "control/com/dispatch.h"
#include "platform/codec.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace brindok;
using com::Variant;

namespace {

class BrindokCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening());
        ASSERT_EQ(com::dispatch::put(control(), kRemoteAddress, server.host()), com::S_OK);
    }

    com::IDispatch* control() const { return ctrl.get(); }

    Variant get(com::DispId id) {
        Variant value;
        EXPECT_EQ(com::dispatch::get(control(), id, &value), com::S_OK) << "dispid " << id;
        return value;
    }

    SstpServer server;
    com::Ptr<com::IDispatch> ctrl = com::Ptr<com::IDispatch>::adopt(new CBrindokCtrl);
};

TEST_F(BrindokCtrlTest, ANewInstanceHasItsDefaults) {
    const auto fresh = com::Ptr<com::IDispatch>::adopt(new CBrindokCtrl);
    Variant value;
    const std::pair<com::DispId, Variant> defaults[] = {
        {kRemoteAddress, "127.0.0.1"},
        {kSender, "localhost"},
        {kAsyncMode, 0},
        {kResponse, ""},
        {kSendString, ""},
    };
    for (const auto& [id, expected] : defaults) {
        ASSERT_EQ(com::dispatch::get(fresh.get(), id, &value), com::S_OK);
        EXPECT_EQ(value, expected) << "dispid " << id;
    }
}

// Each method by its dispatch id, and the request line it must send.
struct MethodCase {
    const char* name;
    com::DispId id;
    std::vector<Variant> args;
    QByteArray requestLine;
};
void PrintTo(const MethodCase& c, std::ostream* os) {
    *os << c.name;
}

const MethodCase kMethods[] = {
    {"Send", kSend, {"Hi", 0}, "SEND SSTP/1.1"},
    {"SendEx", kSendEx, {"Hi", "a", 5}, "SEND SSTP/1.3"},
    {"Send2", kSend2, {"Hi", "a"}, "SEND SSTP/1.2"},
    {"Execute", kExecute, {"GetName"}, "EXECUTE SSTP/1.0"},
    {"GiveDocument", kGiveDocument, {"doc"}, "GIVE SSTP/1.1\r\nSender: localhost\r\nDocument: doc"},
    {"GiveSongname", kGiveSongname, {"song"}, "GIVE SSTP/1.1\r\nSender: localhost\r\nSongname: song"},
    {"Communicate", kCommunicate, {"hello"}, "COMMUNICATE SSTP/1.1"},
};

class BrindokMethodTest : public BrindokCtrlTest, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(BrindokMethodTest, SendsItsRequestAndReturnsTheResult) {
    server.script({{SstpServer::Step::Answer, "SSTP/1.4 200 OK\r\n"}});
    Variant result;
    const auto& args = GetParam().args;
    ASSERT_EQ(control()->Invoke(GetParam().id, com::DISPATCH_METHOD, args, &result, nullptr, nullptr),
              com::S_OK);
    EXPECT_EQ(result, Variant(0));
    EXPECT_TRUE(server.waitForRequests(1).at(0).startsWith(GetParam().requestLine + "\r\n"));
    EXPECT_EQ(get(kResponse), Variant("SSTP/1.4 200 OK\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Members, BrindokMethodTest, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrindokCtrlTest, TextsTravelInCp932BothWays) {
    const QString reply = QStringLiteral("SSTP/1.4 200 OK\r\nScript: はい\r\n");
    server.script({{SstpServer::Step::Answer, platform::codec::toCp932(reply)}});
    ASSERT_EQ(com::dispatch::put(control(), kSender, QStringLiteral("モルヴィク")), com::S_OK);
    Variant result;
    ASSERT_EQ(com::dispatch::call(control(), kSend, {QStringLiteral("\\h\\s0こんにちは"), 0}, &result),
              com::S_OK);
    const QByteArray expected = platform::codec::toCp932(
        QStringLiteral("SEND SSTP/1.1\r\nSender: モルヴィク\r\nScript: \\h\\s0こんにちは\\e\r\n\r\n"));
    EXPECT_EQ(server.waitForRequests(1).at(0), expected);
    EXPECT_EQ(get(kSendString), Variant(platform::codec::fromCp932(expected)));
    EXPECT_EQ(get(kResponse), Variant(reply));
    EXPECT_EQ(get(kSender), Variant(QStringLiteral("モルヴィク")));
}

TEST_F(BrindokCtrlTest, ArgumentsConvertAsLateBoundCallersExpect) {
    Variant result;
    ASSERT_EQ(com::dispatch::call(control(), kSend, {"Hi", "2"}, &result), com::S_OK);
    EXPECT_TRUE(server.waitForRequests(1).at(0).contains("Option: notranslate\r\n"));

    uint32_t argErr = 99;
    const Variant bad[] = {"Hi", "two"};
    EXPECT_EQ(control()->Invoke(kSend, com::DISPATCH_METHOD, bad, &result, nullptr, &argErr),
              com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
    const Variant one[] = {"Hi"};
    EXPECT_EQ(control()->Invoke(kSend, com::DISPATCH_METHOD, one, &result, nullptr, nullptr),
              com::DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(BrindokCtrlTest, UnknownMembersAreNotFound) {
    Variant value;
    for (const com::DispId id : {0, 14, -1, 100})
        EXPECT_EQ(com::dispatch::get(control(), id, &value), com::DISP_E_MEMBERNOTFOUND) << id;
    EXPECT_EQ(com::dispatch::put(control(), kSend, 1), com::DISP_E_MEMBERNOTFOUND);
}

TEST_F(BrindokCtrlTest, ReadOnlyPropertiesRefuseASetAndKeepTheirValue) {
    ASSERT_EQ(com::dispatch::call(control(), kExecute, {"GetName"}), com::S_OK);
    const Variant response = get(kResponse);
    const Variant request = get(kSendString);
    for (const com::DispId id : {kSakura, kResponse, kSendString}) {
        com::ExcepInfo excep;
        EXPECT_EQ(com::dispatch::put(control(), id, "x", &excep), com::DISP_E_EXCEPTION) << id;
        EXPECT_EQ(excep.scode, com::CTL_E_SETNOTSUPPORTED) << id;
    }
    EXPECT_EQ(get(kResponse), response);
    EXPECT_EQ(get(kSendString), request);
}

TEST_F(BrindokCtrlTest, RemoteAddressAndSenderReachTheSocket) {
    ASSERT_EQ(com::dispatch::put(control(), kSender, "someone"), com::S_OK);
    ASSERT_EQ(com::dispatch::call(control(), kExecute, {"GetName"}), com::S_OK);
    EXPECT_EQ(server.waitForRequests(1).at(0),
              "EXECUTE SSTP/1.0\r\nSender: someone\r\nCommand: GetName\r\n\r\n");
    EXPECT_EQ(get(kRemoteAddress), Variant(server.host()));

    const RefusingAddress refusing;
    ASSERT_EQ(com::dispatch::put(control(), kRemoteAddress, refusing.host()), com::S_OK);
    Variant result;
    ASSERT_EQ(com::dispatch::call(control(), kCommunicate, {"hi"}, &result), com::S_OK);
    EXPECT_EQ(result, Variant(102));
}

TEST_F(BrindokCtrlTest, StringArgumentsEndAtTheirFirstNul) {
    const auto withTail = [](const QString& text) {
        return text + QChar(u'\0') + QStringLiteral("\r\ntail");
    };
    ASSERT_EQ(com::dispatch::put(control(), kRemoteAddress, withTail(server.host())), com::S_OK);
    ASSERT_EQ(com::dispatch::put(control(), kSender, withTail(QStringLiteral("someone"))), com::S_OK);
    EXPECT_EQ(get(kRemoteAddress), Variant(server.host()));
    EXPECT_EQ(get(kSender), Variant(QStringLiteral("someone")));
    Variant result;
    ASSERT_EQ(com::dispatch::call(control(), kSend2,
                                  {withTail(QStringLiteral("Hi")), withTail(QStringLiteral("a"))}, &result),
              com::S_OK);
    EXPECT_EQ(result, Variant(0));
    EXPECT_EQ(server.waitForRequests(1).at(0),
              "SEND SSTP/1.2\r\nSender: someone\r\nScript: Hi\\e\r\nEntry: a\r\n\r\n");
}

TEST_F(BrindokCtrlTest, EverySetOfAsyncModeTogglesIt) {
    EXPECT_EQ(get(kAsyncMode), Variant(0));
    ASSERT_EQ(com::dispatch::put(control(), kAsyncMode, 0), com::S_OK);
    EXPECT_EQ(get(kAsyncMode), Variant(1));
    ASSERT_EQ(com::dispatch::put(control(), kAsyncMode, 1), com::S_OK);
    EXPECT_EQ(get(kAsyncMode), Variant(0));
}

TEST_F(BrindokCtrlTest, AboutBoxShowsTheControlsNameAndVersion) {
    QString title;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        dialog->close();
    });
    ASSERT_EQ(com::dispatch::call(control(), kAboutBox, {}), com::S_OK);
    EXPECT_EQ(title, QStringLiteral("About Brindok Control"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Brindok Control, Version 1.0")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Copyright (C) 2001")));
}

TEST_F(BrindokCtrlTest, ThePropertiesVerbOpensTheGeneralPage) {
    auto pages = com::Ptr<com::ISpecifyPropertyPages>::query(ctrl.get(), com::IID_ISpecifyPropertyPages);
    ASSERT_TRUE(pages);
    std::vector<com::Guid> clsids;
    ASSERT_EQ(pages->GetPages(&clsids), com::S_OK);
    EXPECT_EQ(clsids, std::vector<com::Guid>{kClsidPropPage});

    QStringList tabs;
    QTimer::singleShot(0, [&] {
        QWidget* frame = QApplication::activeModalWidget();
        ASSERT_NE(frame, nullptr);
        const auto* tabWidget = frame->findChild<QTabWidget*>();
        ASSERT_NE(tabWidget, nullptr);
        for (int i = 0; i < tabWidget->count(); ++i)
            tabs << tabWidget->tabText(i);
        frame->close();
    });
    auto verbs = com::Ptr<com::IOleObject>::query(ctrl.get(), com::IID_IOleObject);
    ASSERT_TRUE(verbs);
    EXPECT_EQ(verbs->DoVerb(com::OLEIVERB_PROPERTIES, nullptr), com::S_OK);
    EXPECT_EQ(tabs, QStringList{QStringLiteral("General")});
}

TEST_F(BrindokCtrlTest, EventsConnectOnlyForTheEventInterface) {
    auto source = com::Ptr<com::IEventSource>::query(ctrl.get(), com::IID_IEventSource);
    ASSERT_TRUE(source);
    uint32_t cookie = 0;
    EXPECT_EQ(source->Advise(kDiidBrindok, control(), &cookie), com::CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(source->Unadvise(42), com::CONNECT_E_NOCONNECTION);
}

} // namespace
