// GIO opened at the first call that needs it; without it a desktop entry does not start and shows
// the generic icon, while a program still starts and finds its theme icon by its name.
#include "desktop_fixture.h"
#include "platform/desktop/gio_library.h"
#include "platform/desktop/program_start.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QColor centre(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

class WithoutGio : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::clearMarkers();
        platform::desktop::gio().pretendMissing(true);
    }
    void TearDown() override {
        platform::desktop::gio().pretendMissing(false);
        fixture::clearMarkers();
    }
};

TEST_F(WithoutGio, ADesktopEntryDoesNotStartAndShowsTheGenericIcon) {
    EXPECT_FALSE(platform::desktop::StartProgram(fixture::entry()));
    const QIcon generic = platform::desktop::ProgramIcon(QStringLiteral("/no/such/program"));
    const QIcon icon = platform::desktop::ProgramIcon(fixture::entry());
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(centre(icon), centre(generic));
    EXPECT_NE(centre(icon), fixture::kEntryColour);
}

TEST_F(WithoutGio, AProgramStartsAndFindsItsThemeIconByName) {
    ASSERT_TRUE(platform::desktop::StartProgram(fixture::script(fixture::kBlank)));
    EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("args"), "0");
    EXPECT_EQ(centre(platform::desktop::ProgramIcon(fixture::script(fixture::kThemed))),
              fixture::kThemeColour);
}

TEST_F(WithoutGio, OnceItCanBeOpenedTheEntryStartsAgain) {
    platform::desktop::gio().pretendMissing(false);
    ASSERT_TRUE(platform::desktop::StartProgram(fixture::entry()));
    EXPECT_EQ(fixture::waitForMarker(fixture::kBlank).value("arg1"), "--from-entry");
    EXPECT_TRUE(platform::desktop::gio().loaded());
}

} // namespace
