// The main window's site for the SSTP control, as the program uses it: the real libbrindok.so
// found beside the executable, registered on first use, and the character's greeting, double-click
// banter and farewell reaching a scripted SSTP server on 127.0.0.1:11000.
#include "../platform/file_size_limit.h"
#include "control/brindok_ids.h"
#include "control/com/BrindokSite.h"
#include "control/com/build_version.h"
#include "control/com/registry.h"
#include "platform/codec.h"
#include "qt_printers.h"
#include "sstp_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>

namespace {

// Whether a library of that path is mapped into this process.
bool libraryLoaded(const QString& path) {
    const QByteArray wanted = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    struct Search {
        const QByteArray* wanted;
        bool found = false;
    } search{&wanted};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_name && *s->wanted == info->dlpi_name)
                s->found = true;
            return 0;
        },
        &search);
    return search.found;
}

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

// A registration that another build of the program left behind: which library it names, and the
// build version recorded beside it (nothing: the value is absent, as the first builds wrote it).
struct LeftRegistration {
    const char* name;
    bool ownLibrary; // else a copy of it in another folder, standing for another build's file
    std::optional<QString> version;
};
void PrintTo(const LeftRegistration& c, std::ostream* os) {
    *os << c.name;
}

const LeftRegistration kLeftRegistrations[] = {
    {"AnotherFileOfThisVersion", false, QLatin1String(com::kBuildVersion)},
    {"ThisFileOfAnotherVersion", true, QStringLiteral("0.0.1+0123456789abcdef")},
    {"ThisFileWithoutAVersion", true, std::nullopt},
    {"AnotherFileWithoutAVersion", false, std::nullopt},
};

class LeftRegistrationTest : public BrindokSiteTest,
                             public ::testing::WithParamInterface<LeftRegistration> {};

TEST_P(LeftRegistrationTest, IsReplacedByThisBuildsOwnBeforeAnythingIsLoaded) {
    const QString own = QFileInfo(QStringLiteral(BRINDOK_LIBRARY)).canonicalFilePath();
    const QString other = dir_.filePath(QStringLiteral("old-build/libbrindok.so"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(other).path()));
    ASSERT_TRUE(QFile::copy(own, other));
    const QString key =
        QStringLiteral("CLSID\\") + brindok::kClsidBrindok.toString() + QStringLiteral("\\InprocServer32");
    ASSERT_TRUE(com::registry::edit(com::registry::filePath(), [&](com::registry::Tree& t) {
        t.setValue(QStringLiteral("BRINDOK.BrindokCtrl.1\\CLSID"), {}, brindok::kClsidBrindok.toString());
        t.setValue(key, {}, GetParam().ownLibrary ? own : other);
        if (GetParam().version)
            t.setValue(key, QLatin1String(com::kBuildVersionValue), *GetParam().version);
    }));

    const BrindokSite nh;
    EXPECT_TRUE(nh.available());
    EXPECT_EQ(com::registry::read(key), own);
    EXPECT_EQ(com::registry::read(key, QLatin1String(com::kBuildVersionValue)),
              QLatin1String(com::kBuildVersion));
    EXPECT_FALSE(libraryLoaded(other));
}

INSTANTIATE_TEST_SUITE_P(Builds, LeftRegistrationTest, ::testing::ValuesIn(kLeftRegistrations),
                         [](const auto& info) { return std::string(info.param.name); });

// The registry file as one version of it: every change writes a new file in its place.
ino_t registryFile() {
    struct stat status {};
    return ::stat(QFile::encodeName(com::registry::filePath()).constData(), &status) == 0 ? status.st_ino : 0;
}

TEST_F(BrindokSiteTest, ARegistrationOfThisBuildIsKeptAsItIs) {
    const BrindokSite first;
    ASSERT_TRUE(first.available());
    const ino_t registered = registryFile();
    ASSERT_NE(registered, 0u);
    const BrindokSite second;
    EXPECT_TRUE(second.available());
    EXPECT_EQ(registryFile(), registered);
}

// A full disk: the registration cannot be written. The control says so itself, once, with the file
// and the system's reason; its result code alone would say only 0x80040200.
TEST_F(BrindokSiteTest, ARegistryThatCannotBeWrittenIsSaidOnceWithTheFileAndTheReason) {
    testing::internal::CaptureStderr();
    {
        // Past the registration's first part, short of what is said (captured in a file too).
        const FileSizeLimit limit(512);
        const BrindokSite nh;
        EXPECT_FALSE(nh.available());
    }
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(said.count(QStringLiteral("morvik: ")), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(com::registry::filePath() + QStringLiteral(": cannot write: ") +
                              QString::fromLocal8Bit(std::strerror(EFBIG))))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("SSTP control"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("0x8004"))) << said.toStdString();
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
