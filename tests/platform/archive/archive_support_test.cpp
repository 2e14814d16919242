// The archive kinds this build unpacks, as the linked libarchive answers.
#include "platform/archive/archive_support.h"

#include <archive.h>
#include <gtest/gtest.h>

namespace {

using platform::archive::Kind;

TEST(ArchiveSupport, DebiansLibarchiveReadsAllFourKinds) {
    // Debian builds libarchive with zlib and every one of these formats.
    ASSERT_NE(archive_zlib_version(), nullptr);
    for (Kind kind : {Kind::lzh, Kind::zip, Kind::cab, Kind::rar})
        EXPECT_TRUE(platform::archive::reads(kind)) << int(kind);
}

TEST(ArchiveSupport, TheVersionIsTheLinkedLibrarysOwn) {
    EXPECT_EQ(platform::archive::versionString(), QString::fromUtf8(archive_version_string()));
    EXPECT_TRUE(platform::archive::versionString().startsWith(QStringLiteral("libarchive 3.")));
}

} // namespace
