// What a desktop lists her by, as built and as installed: the desktop entry passes
// desktop-file-validate and names her program and her icon; the icon is in the hicolor theme at
// every usual size, square at that size, her picture on a transparent ground; the voice's credit
// and licence are installed beside them.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kBuild = QStringLiteral(MORVIK_BUILD_DIR);
const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Outcome {
    int code = -1;
    QString output;
};

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = {}) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, program + QStringLiteral(" did not finish: ") + process.errorString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// The entry's keys of its [Desktop Entry] group.
QMap<QString, QString> keys(const QString& path) {
    QFile file(path);
    QMap<QString, QString> out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !line.startsWith(QLatin1Char('#')))
            out.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return out;
}

// The entry validates with nothing to say, opens her program and shows her name and a comment in
// Japanese and her icon, which the theme under share/ holds at every size.
void checkEntry(const QString& share) {
    const QString entry = share + QStringLiteral("/applications/morvik.desktop");
    ASSERT_TRUE(QFile::exists(entry)) << entry.toStdString();
    ASSERT_FALSE(QString::fromUtf8(MORVIK_DESKTOP_FILE_VALIDATE).isEmpty())
        << "desktop-file-validate is not installed (scripts/deps/test-desktop.txt)";
    const Outcome validated = run(QStringLiteral(MORVIK_DESKTOP_FILE_VALIDATE), {entry});
    EXPECT_EQ(validated.code, 0) << validated.output.toStdString();
    EXPECT_EQ(validated.output, QString()) << "warnings or hints";

    const QMap<QString, QString> entryKeys = keys(entry);
    EXPECT_EQ(entryKeys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(entryKeys.value(QStringLiteral("Name[ja]")), QStringLiteral("QTV-52モルヴィク"));
    EXPECT_FALSE(entryKeys.value(QStringLiteral("Name")).isEmpty());
    const QString comment = entryKeys.value(QStringLiteral("Comment[ja]"));
    EXPECT_TRUE(comment.contains(QStringLiteral("メール"))) << comment.toStdString();
    EXPECT_EQ(entryKeys.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0),
              QStringLiteral(MORVIK_PROGRAM_NAME));
    EXPECT_FALSE(entryKeys.value(QStringLiteral("Categories")).isEmpty());
    const QString icon = entryKeys.value(QStringLiteral("Icon"));
    ASSERT_FALSE(icon.isEmpty());
    for (int size : kSizes) {
        SCOPED_TRACE(size);
        const QString path =
            share + QStringLiteral("/icons/hicolor/%1x%1/apps/").arg(size) + icon + QStringLiteral(".png");
        QImage image;
        ASSERT_TRUE(image.load(path, "PNG")) << path.toStdString();
        EXPECT_EQ(image.size(), QSize(size, size));
        ASSERT_TRUE(image.hasAlphaChannel());
        // Her picture cut to her silhouette: her face in the middle, the ground around her clear.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        int clear = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                clear += qAlpha(image.pixel(x, y)) == 0;
        const double clearShare = double(clear) / (size * size);
        EXPECT_GT(clearShare, 0.05);
        EXPECT_LT(clearShare, 0.8);
    }
}

TEST(DesktopEntry, BuiltEntryValidatesAndItsIconIsThereAtEverySize) {
    checkEntry(kBuild + QStringLiteral("/share"));
}

// Installed as a packager does (a prefix, under DESTDIR): the entry, the icons and the credits land
// where desktops and readers look for them.
TEST(DesktopEntry, InstalledEntryIconsAndCredits) {
    const QTemporaryDir destdir;
    ASSERT_TRUE(destdir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), destdir.path());
    for (const QString& component : {QStringLiteral("desktop"), QStringLiteral("doc")}) {
        const Outcome installed = run(QStringLiteral(MORVIK_CMAKE),
                                      {QStringLiteral("--install"), kBuild, QStringLiteral("--prefix"),
                                       QStringLiteral("/usr"), QStringLiteral("--component"), component},
                                      env);
        ASSERT_EQ(installed.code, 0) << installed.output.toStdString();
    }
    const QString share = destdir.path() + QStringLiteral("/usr/share");
    checkEntry(share);

    QFile credits(share + QStringLiteral("/doc/morvik/CREDITS"));
    ASSERT_TRUE(credits.open(QIODevice::ReadOnly));
    const QString credit = QString::fromUtf8(credits.readAll());
    for (const char* words :
         {"NIT ATR503 M001", "Nagoya Institute of Technology", "Tokyo Institute of Technology", "CC-BY-3.0",
          "https://creativecommons.org/licenses/by/3.0/", "CC-BY-3.0.txt"})
        EXPECT_TRUE(credit.contains(QString::fromUtf8(words))) << words;
    QFile licence(share + QStringLiteral("/doc/morvik/CC-BY-3.0.txt"));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(licence.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Attribution 3.0 Unported")));
    EXPECT_TRUE(text.contains(QStringLiteral("8. Miscellaneous"))); // whole, to its last section
}

} // namespace
