// Dropping files on her on a real X server: a drag source of our own (drag_source) drags a file
// with XDND while xdotool moves the pointer from it onto her window, and the drop ends in the
// right balloon: a ZIP unpacked onto the desktop, an MP3 naming its title and artist.
#include "../window/fakes.h"
#include "app/drop/drop_handler.h"
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "binary_bytes.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class DropOnX : public testing::Test {
protected:
    void SetUp() override {
        flag::state.reset();
        speak::state.reset();
        talk = installTalk();
        services::install(std::make_unique<drop::DropHandler>());
        dialup::install(ras);
        home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(homeDir.path()));
        desktop = homeDir.path() + QStringLiteral("/Desktop");
        QDir().mkpath(desktop);
        morvik::InstanceName = QStringLiteral("morvik-drop-test-%1").arg(getpid());
        morvik::EndProgram = [] {};
        window = std::make_unique<morvik>();
        Stage::Install(window.get());
        window->move(300, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        Stage::Install(nullptr);
        window.reset();
        services::reset();
        dialup::install(nullptr);
        qputenv("HOME", home);
    }

    // Drags the file from the source at (40, 40) onto her body and waits for her balloon.
    QString dragOnHer(const QString& path) {
        QProcess source;
        source.start(QStringLiteral(MORVIK_DRAG_SOURCE), {QStringLiteral("40"), QStringLiteral("40"), path});
        EXPECT_TRUE(source.waitForReadyRead(10000));
        EXPECT_EQ(source.readLine().trimmed(), "ready");
        QTest::qWait(300);
        const QPoint onHer = window->mapToGlobal(QPoint(80, 110));
        QProcess pointer;
        pointer.start(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                                  QStringLiteral("60"),
                                                  QStringLiteral("60"),
                                                  QStringLiteral("sleep"),
                                                  QStringLiteral("0.2"),
                                                  QStringLiteral("mousedown"),
                                                  QStringLiteral("1"),
                                                  QStringLiteral("sleep"),
                                                  QStringLiteral("0.3"),
                                                  QStringLiteral("mousemove"),
                                                  QStringLiteral("150"),
                                                  QStringLiteral("120"),
                                                  QStringLiteral("sleep"),
                                                  QStringLiteral("0.2"),
                                                  QStringLiteral("mousemove"),
                                                  QString::number(onHer.x() - 5),
                                                  QString::number(onHer.y() - 5),
                                                  QStringLiteral("sleep"),
                                                  QStringLiteral("0.3"),
                                                  QStringLiteral("mousemove"),
                                                  QString::number(onHer.x()),
                                                  QString::number(onHer.y()),
                                                  QStringLiteral("sleep"),
                                                  QStringLiteral("0.5"),
                                                  QStringLiteral("mouseup"),
                                                  QStringLiteral("1")});
        const bool spoke = QTest::qWaitFor(
            [&] {
                for (const QString& call : talk->calls)
                    if (call.startsWith(QStringLiteral("ShowFuki")))
                        return true;
                return false;
            },
            20000);
        pointer.waitForFinished(5000);
        source.terminate();
        source.waitForFinished(5000);
        EXPECT_TRUE(spoke) << "no balloon; source said: " << source.readAll().toStdString();
        for (const QString& call : talk->calls)
            if (call.startsWith(QStringLiteral("ShowFuki")))
                return call;
        return {};
    }

    FakeTalk* talk = nullptr;
    std::shared_ptr<FakeRas> ras = std::make_shared<FakeRas>();
    std::unique_ptr<morvik> window;
    QTemporaryDir homeDir, files;
    QByteArray home;
    QString desktop;
};

TEST_F(DropOnX, AZipLandsUnpackedOnTheDesktop) {
    QProcess script;
    script.start(QStringLiteral(MORVIK_PYTHON3), {QStringLiteral(MORVIK_ARCHIVE_SCRIPT), files.path()});
    ASSERT_TRUE(script.waitForFinished(120000));
    ASSERT_EQ(script.exitCode(), 0);
    const QString zip = files.path() + QStringLiteral("/お土産.zip");
    ASSERT_TRUE(QFile::rename(files.path() + QStringLiteral("/zip.zip"), zip));
    EXPECT_EQ(dragOnHer(zip), "ShowFuki デスクトップの\r\nお土産\r\nというフォルダに解凍しました");
    EXPECT_TRUE(QFile::exists(desktop + QStringLiteral("/お土産/資料/日本語.txt")));
    EXPECT_EQ(stores::Shown(window->Image1).name, "gra4.Image1(18)");
}

TEST_F(DropOnX, AnMp3NamesItsSong) {
    QByteArray pcm;
    for (int i = 0; i < 6615; ++i)
        pcm += le(quint16(qint16((i / 25) % 2 ? 8000 : -8000)), 2);
    QFile wav(files.path() + QStringLiteral("/t.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write("RIFF" + le(36 + pcm.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(22050, 4) +
              le(44100, 4) + le(2, 2) + le(16, 2) + "data" + le(pcm.size(), 4) + pcm);
    wav.close();
    const QString mp3 = files.path() + QStringLiteral("/歌.mp3");
    QProcess lame;
    lame.start(QStringLiteral("lame"),
               {QStringLiteral("--quiet"), QStringLiteral("--tt"), QStringLiteral("Song"),
                QStringLiteral("--ta"), QStringLiteral("Band"), QStringLiteral("--id3v2-only"),
                wav.fileName(), mp3});
    ASSERT_TRUE(lame.waitForFinished(60000));
    ASSERT_EQ(lame.exitCode(), 0);
    EXPECT_EQ(dragOnHer(mp3),
              "ShowFuki 曲名は\r\n『Song』\r\nARTISTは\r\n『Band』\r\nファイル名は\r\n『歌.mp3』");
    EXPECT_EQ(flag::state.VoicePath, mp3);
}

} // namespace
