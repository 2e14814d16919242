// Qt's own words in her windows are Japanese, whatever the locale the program was started in.
#include "platform/widgets/japanese_qt.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(JapaneseQt, StandardButtonsAndDialogsSpeakJapanese) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); // a user's may be
    ASSERT_TRUE(platform::widgets::japanese_qt::install(*QCoreApplication::instance()));
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                             QDialogButtonBox::No);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(buttons.button(QDialogButtonBox::No)->text(), QStringLiteral("いいえ(&N)"));

    QMessageBox box(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));

    QFontDialog fonts;
    fonts.setOption(QFontDialog::DontUseNativeDialog);
    EXPECT_NE(fonts.windowTitle(), QStringLiteral("Select Font"));
    EXPECT_FALSE(fonts.windowTitle().isEmpty());
}
