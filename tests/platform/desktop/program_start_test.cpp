// Starting programs and desktop entries, and their icons, on the test's own desktop
// (desktop_fixture.h): real scripts that leave markers, a real desktop entry, a real icon theme.
#include "desktop_fixture.h"
#include "platform/desktop/program_start.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString home() {
    return QDir(QDir::homePath()).canonicalPath();
}

QColor centre(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override { fixture::clearMarkers(); }
    void TearDown() override { fixture::clearMarkers(); }
};

TEST_F(ProgramStart, EachProgramStartsAsItIsWithoutArgumentsOrShell) {
    for (const QString& name : fixture::scripts()) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(platform::desktop::StartProgram(fixture::script(name)));
        const QMap<QString, QString> marker = fixture::waitForMarker(name);
        EXPECT_EQ(marker.value("args"), "0");
        EXPECT_EQ(marker.value("pwd"), home());
        EXPECT_EQ(marker.value("qpa"), "unset");  // the platform this program chose for itself
        EXPECT_EQ(marker.value("passed"), "yes"); // the rest of its environment
    }
    EXPECT_FALSE(fixture::shellRan());
}

TEST_F(ProgramStart, ADesktopEntryRunsItsExecLineWithItsArgument) {
    ASSERT_TRUE(platform::desktop::StartProgram(fixture::entry()));
    const QMap<QString, QString> marker = fixture::waitForMarker(fixture::kBlank);
    EXPECT_EQ(marker.value("args"), "1");
    EXPECT_EQ(marker.value("arg1"), "--from-entry");
    EXPECT_EQ(marker.value("pwd"), home());
    EXPECT_EQ(marker.value("qpa"), "unset");
    EXPECT_EQ(marker.value("passed"), "yes");
}

TEST_F(ProgramStart, WhatCannotStartSaysSoAndStartsNothing) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("not a program"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\ntouch PWNED\n");
    plain.close();
    QFile broken(dir.filePath("broken.desktop"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a desktop entry\n");
    broken.close();
    for (const QString& path :
         {QString(), dir.filePath("missing"), plain.fileName(), broken.fileName(), dir.path()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(platform::desktop::StartProgram(path));
    }
    EXPECT_FALSE(fixture::shellRan());
}

struct IconCase {
    const char* name;
    std::function<QString()> path;
    std::optional<QColor> colour; // nothing: the generic icon
};
void PrintTo(const IconCase& c, std::ostream* os) {
    *os << c.name;
}

class Icons : public ::testing::TestWithParam<IconCase> {};

TEST_P(Icons, ComeFromTheEntryTheInstalledEntryTheThemeOrAreGeneric) {
    const IconCase& c = GetParam();
    const QIcon icon = platform::desktop::ProgramIcon(c.path());
    ASSERT_FALSE(icon.isNull());
    if (c.colour) {
        EXPECT_EQ(centre(icon), *c.colour);
    } else {
        EXPECT_NE(centre(icon), fixture::kEntryColour);
        EXPECT_NE(centre(icon), fixture::kThemeColour);
        EXPECT_EQ(centre(icon), centre(platform::desktop::ProgramIcon(QStringLiteral("/no/such/program"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, Icons,
    ::testing::Values(IconCase{"desktop_entry", [] { return fixture::entry(); }, fixture::kEntryColour},
                      IconCase{"program_of_an_installed_entry",
                               [] { return fixture::script(fixture::kBlank); }, fixture::kEntryColour},
                      IconCase{"program_named_as_a_theme_icon",
                               [] { return fixture::script(fixture::kThemed); }, fixture::kThemeColour},
                      IconCase{"other_program", [] { return fixture::script(fixture::kSemicolon); },
                               std::nullopt},
                      IconCase{"missing_program",
                               [] { return QStringLiteral("/no/such/vens-fixture-tool-2"); }, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
