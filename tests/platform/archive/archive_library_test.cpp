// libarchive opened at the first archive call; without it no kind is read, and an unpacking says
// which library is missing and writes nothing.
#include "platform/archive/archive_library.h"
#include "platform/archive/unpack.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using platform::archive::Kind;

// libarchive as a machine without it would have it, for the test's length.
class WithoutLibarchive : public ::testing::Test {
protected:
    void SetUp() override { platform::archive::library().pretendMissing(true); }
    void TearDown() override { platform::archive::library().pretendMissing(false); }
};

TEST_F(WithoutLibarchive, NoKindIsReadAndTheVersionIsEmpty) {
    for (Kind kind : {Kind::lzh, Kind::zip, Kind::cab, Kind::rar})
        EXPECT_FALSE(platform::archive::reads(kind)) << int(kind);
    EXPECT_TRUE(platform::archive::versionString().isEmpty());
}

TEST_F(WithoutLibarchive, AnUnpackingNamesTheMissingLibraryAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Any file: the unpacking must not even open it.
    const QString archive = dir.filePath(QStringLiteral("any.zip"));
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 not looked at");
    file.close();
    const QString into = dir.filePath(QStringLiteral("into"));
    ASSERT_TRUE(QDir().mkdir(into));

    const platform::archive::UnpackResult result = platform::archive::unpack(archive, Kind::zip, into);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.written, 0);
    EXPECT_EQ(result.error, QStringLiteral("libarchive.so.13 cannot be loaded: not found"));
    EXPECT_TRUE(QDir(into).isEmpty());
}

TEST_F(WithoutLibarchive, ItIsThereAgainOnceItCanBeOpened) {
    platform::archive::library().pretendMissing(false);
    EXPECT_TRUE(platform::archive::reads(Kind::zip));
    EXPECT_TRUE(platform::archive::library().loaded());
}

} // namespace
