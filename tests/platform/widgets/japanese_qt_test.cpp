// Qt's own words in her windows are Japanese, whatever the locale the program was started in.
#include "platform/widgets/japanese_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// The file chooser's list, read as the user reads it: each file's type, size and date are Japanese
// although the program may have started under LANG=C or en_US.UTF-8 (the test runs under both).
TEST(JapaneseQt, FileChooserWritesTypesSizesAndDatesInJapanese) {
    ASSERT_TRUE(platform::widgets::japanese_qt::install(*QCoreApplication::instance()));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("写真")));
    QFile memo(dir.filePath(QStringLiteral("memo.txt")));
    ASSERT_TRUE(memo.open(QIODevice::WriteOnly));
    memo.write(QByteArray(1500, 'a'));
    memo.close();
    // A fixed date, 4 March 2020 05:06 local time, on both entries.
    const QDateTime when(QDate(2020, 3, 4), QTime(5, 6));
    for (const QString& name : {QStringLiteral("写真"), QStringLiteral("memo.txt")}) {
        const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dir.filePath(name)).constData(), times, 0), 0);
    }

    QFileDialog chooser(nullptr, QStringLiteral("t"), dir.path());
    chooser.setViewMode(QFileDialog::Detail);
    chooser.show();
    auto* view = chooser.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr) << "not Qt's own chooser";
    const QAbstractItemModel* model = view->model();
    auto cell = [&](const QString& name, int column) {
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, view->rootIndex());
            if (index.data().toString() == name)
                return model->index(row, column, view->rootIndex()).data().toString();
        }
        return QString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cell(QStringLiteral("memo.txt"), 3).isEmpty(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cell(QStringLiteral("写真"), 2).isEmpty(); }, 10000));

    EXPECT_EQ(cell(QStringLiteral("写真"), 2), QStringLiteral("フォルダー"));
    EXPECT_EQ(cell(QStringLiteral("memo.txt"), 1), QStringLiteral("1.5 KB"));
    EXPECT_EQ(cell(QStringLiteral("memo.txt"), 3), QStringLiteral("2020/03/04 5:06"));
    EXPECT_EQ(cell(QStringLiteral("写真"), 3), QStringLiteral("2020/03/04 5:06"));
    // No English word anywhere she shows: not in the cells (the unit KB aside), the headers, the
    // labels, the buttons or the choices.
    const QRegularExpression english(QStringLiteral("[A-Za-z]{3,}"));
    QStringList texts;
    for (const QString& name : {QStringLiteral("写真"), QStringLiteral("memo.txt")})
        for (int column = 1; column < model->columnCount(view->rootIndex()); ++column)
            texts << cell(name, column);
    for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
        texts << model->headerData(column, Qt::Horizontal).toString();
    for (const QLabel* label : chooser.findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : chooser.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (const QComboBox* box : chooser.findChildren<QComboBox*>())
        if (box->objectName() != QStringLiteral("lookInCombo")) // the folder's path
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
    for (const QString& text : texts)
        EXPECT_FALSE(english.match(text).hasMatch()) << text.toStdString();
}
