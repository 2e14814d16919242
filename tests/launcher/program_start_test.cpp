// Starting programs and desktop entries, and their icons, on the test's own desktop
// (desktop_fixture.h): real scripts that leave markers, a real desktop entry, a real icon theme.
#include "app/launcher/program_start.h"
#include "desktop_fixture.h"

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
    void SetUp() override { desktop::clearMarkers(); }
    void TearDown() override { desktop::clearMarkers(); }
};

TEST_F(ProgramStart, EachProgramStartsAsItIsWithoutArgumentsOrShell) {
    for (const QString& name : desktop::scripts()) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(launcher::StartProgram(desktop::script(name)));
        const QMap<QString, QString> marker = desktop::waitForMarker(name);
        EXPECT_EQ(marker.value("args"), "0");
        EXPECT_EQ(marker.value("pwd"), home());
        EXPECT_EQ(marker.value("qpa"), "unset");  // the platform this program chose for itself
        EXPECT_EQ(marker.value("passed"), "yes"); // the rest of its environment
    }
    EXPECT_FALSE(desktop::shellRan());
}

TEST_F(ProgramStart, ADesktopEntryRunsItsExecLineWithItsArgument) {
    ASSERT_TRUE(launcher::StartProgram(desktop::entry()));
    const QMap<QString, QString> marker = desktop::waitForMarker(desktop::kBlank);
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
        EXPECT_FALSE(launcher::StartProgram(path));
    }
    EXPECT_FALSE(desktop::shellRan());
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
    const QIcon icon = launcher::ProgramIcon(c.path());
    ASSERT_FALSE(icon.isNull());
    if (c.colour) {
        EXPECT_EQ(centre(icon), *c.colour);
    } else {
        EXPECT_NE(centre(icon), desktop::kEntryColour);
        EXPECT_NE(centre(icon), desktop::kThemeColour);
        EXPECT_EQ(centre(icon), centre(launcher::ProgramIcon(QStringLiteral("/no/such/program"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, Icons,
    ::testing::Values(IconCase{"desktop_entry", [] { return desktop::entry(); }, desktop::kEntryColour},
                      IconCase{"program_of_an_installed_entry",
                               [] { return desktop::script(desktop::kBlank); }, desktop::kEntryColour},
                      IconCase{"program_named_as_a_theme_icon",
                               [] { return desktop::script(desktop::kThemed); }, desktop::kThemeColour},
                      IconCase{"other_program", [] { return desktop::script(desktop::kSemicolon); },
                               std::nullopt},
                      IconCase{"missing_program",
                               [] { return QStringLiteral("/no/such/vens-fixture-tool-2"); }, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
