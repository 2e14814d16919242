// Dropping files on her on a real X server: a drag source of our own (drag_source) drags a file
// with XDND while xdotool moves the pointer from it onto her window, and the drop ends in the
// right balloon: a ZIP unpacked onto the desktop, an MP3 naming its title and artist.
#include "../window/character_on_x.h"
#include "app/drop/drop_handler.h"
#include "app/state/state.h"
#include "app/window/morvik.h"
#include "binary_bytes.h"
#include "platform/pace.h"
#include "platform/random.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

class DropOnX : public CharacterOnX {
protected:
    void installServices() override {
        services::install(std::make_unique<drop::DropHandler>());
        home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(homeDir.path()));
        desktop = homeDir.path() + QStringLiteral("/Desktop");
        QDir().mkpath(desktop);
    }
    void TearDown() override {
        CharacterOnX::TearDown();
        qputenv("HOME", home);
    }

    // Drags the file from the source at (40, 40) onto her body and waits for her balloon.
    QString dragOnHer(const QString& path) {
        QProcess source;
        source.start(QStringLiteral(MORVIK_DRAG_SOURCE), {QStringLiteral("40"), QStringLiteral("40"), path});
        EXPECT_TRUE(source.waitForReadyRead(10000));
        EXPECT_EQ(source.readLine().trimmed(), "ready");
        // The source says how its drop went, then that she has finished it: what she showed then.
        finished.reset();
        auto outcome = std::make_shared<QByteArray>();
        QObject::connect(&source, &QProcess::readyReadStandardOutput, window.get(), [&, outcome] {
            while (source.canReadLine()) {
                const QByteArray line = source.readLine().trimmed();
                if (line.startsWith("dropped"))
                    *outcome = line;
                if (line != "finished" || finished)
                    continue;
                bool spoke = false;
                for (const QString& call : talk->calls)
                    spoke = spoke || call.startsWith(QStringLiteral("ShowFuki"));
                finished = Finished{*outcome, spoke, stores::Shown(window->Image1).name};
            }
        });
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

    // A short MP3 made by lame, with its title and artist.
    QString makeMp3(const QString& name) {
        QByteArray pcm;
        for (int i = 0; i < 6615; ++i)
            pcm += le(quint16(qint16((i / 25) % 2 ? 8000 : -8000)), 2);
        QFile wav(files.path() + QStringLiteral("/t.wav"));
        EXPECT_TRUE(wav.open(QIODevice::WriteOnly));
        wav.write("RIFF" + le(36 + pcm.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(22050, 4) +
                  le(44100, 4) + le(2, 2) + le(16, 2) + "data" + le(pcm.size(), 4) + pcm);
        wav.close();
        const QString mp3 = files.path() + QLatin1Char('/') + name;
        QProcess lame;
        lame.start(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("--tt"), QStringLiteral("Song"),
                    QStringLiteral("--ta"), QStringLiteral("Band"), QStringLiteral("--id3v2-only"),
                    wav.fileName(), mp3});
        EXPECT_TRUE(lame.waitForFinished(60000));
        EXPECT_EQ(lame.exitCode(), 0);
        return mp3;
    }
    // The ZIP of the archive script, renamed.
    QString makeZip(const QString& name) {
        QProcess script;
        script.start(QStringLiteral(MORVIK_PYTHON3), {QStringLiteral(MORVIK_ARCHIVE_SCRIPT), files.path()});
        EXPECT_TRUE(script.waitForFinished(120000));
        EXPECT_EQ(script.exitCode(), 0);
        const QString zip = files.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(QFile::rename(files.path() + QStringLiteral("/zip.zip"), zip));
        return zip;
    }
    // The marks of the trace file, one "<ms> <mark>" a line.
    static QStringList traced(const QString& path) {
        QFile trace(path);
        if (!trace.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // When she had finished a drop for its source: the outcome the source had, whether she had
    // opened a balloon by then, and her picture.
    struct Finished {
        QByteArray outcome;
        bool spoke;
        QString picture;
    };
    std::optional<Finished> finished;
    QTemporaryDir homeDir, files;
    QByteArray home;
    QString desktop;
};

TEST_F(DropOnX, AZipLandsUnpackedOnTheDesktop) {
    const QString zip = makeZip(QStringLiteral("お土産.zip"));
    EXPECT_EQ(dragOnHer(zip), "ShowFuki デスクトップの\r\nお土産\r\nというフォルダに解凍しました");
    EXPECT_TRUE(QFile::exists(desktop + QStringLiteral("/お土産/資料/日本語.txt")));
    EXPECT_EQ(stores::Shown(window->Image1).name, "gra4.Image1(18)");
    // The drop was finished for its source before the melting was over, not once it was handled.
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->outcome, "dropped 1");
    EXPECT_FALSE(finished->spoke);
    EXPECT_NE(finished->picture, "gra4.Image1(18)");
}

TEST_F(DropOnX, AnMp3NamesItsSong) {
    const QString mp3 = makeMp3(QStringLiteral("歌.mp3"));
    EXPECT_EQ(dragOnHer(mp3),
              "ShowFuki 曲名は\r\n『Song』\r\nARTISTは\r\n『Band』\r\nファイル名は\r\n『歌.mp3』");
    EXPECT_EQ(flag::state.VoicePath, mp3);
}

// A file dropped while she dances (the song still plays) is handled once the dance's running
// frames are over, and ends the dance: the frames of the two sequences never mix, and the last
// melting frame of an archive is not replaced by her standing pose.
TEST_F(DropOnX, AFileDroppedWhileSheDancesEndsTheDanceFirst) {
    struct Case {
        const char* name;
        bool archive;
    };
    for (const Case& c : {Case{"mp3", false}, Case{"zip", true}}) {
        SCOPED_TRACE(c.name);
        const QString first = makeMp3(QStringLiteral("一曲目.mp3"));
        const QString second = c.archive ? makeZip(QStringLiteral("荷物.zip")) : makeMp3(QStringLiteral("二曲目.mp3"));
        // The first song dances dance 2, the second dance 3; the song plays on for its watcher.
        platform::random::setSequence({0.3, 0.6});
        talk->state = 1;
        const QString tracePath = files.path() + QStringLiteral("/trace");
        platform::pace::traceTo(tracePath);
        dragOnHer(first);
        ASSERT_TRUE(QTest::qWaitFor([&] { return traced(tracePath).join(QLatin1Char('\n')).contains(QStringLiteral("ShapeDance2_")); },
                                    10000));
        talk->calls.clear();
        dragOnHer(second);
        QTest::qWait(2500);
        platform::pace::traceTo(QString());

        const QStringList lines = traced(tracePath);
        const QString secondSequence = c.archive ? QStringLiteral("picture gra4.") : QStringLiteral("shape ShapeDance3_");
        qsizetype began = -1;
        for (qsizetype i = 0; i < lines.size() && began < 0; ++i)
            if (lines[i].contains(secondSequence))
                began = i;
        ASSERT_GE(began, 0) << lines.join(QLatin1Char('\n')).toStdString();
        const QStringList after = lines.mid(began);
        const std::string shown = after.join(QLatin1Char('\n')).toStdString();
        for (const QString& line : after) {
            EXPECT_FALSE(line.contains(QStringLiteral("ShapeDance2_"))) << "the first dance went on: " << shown;
            if (c.archive) {
                EXPECT_FALSE(line.contains(QStringLiteral("ShapeStandard"))) << "standing over the melting: " << shown;
            }
        }
        if (c.archive) {
            EXPECT_TRUE(QFile::exists(desktop + QStringLiteral("/荷物/資料/日本語.txt")));
        }
        // Back to rest for the next case.
        talk->state = 0;
        QTest::qWait(500);
        talk->calls.clear();
        QDir(desktop).removeRecursively();
        QDir().mkpath(desktop);
        for (const QString& name : QDir(files.path()).entryList(QDir::Files))
            QFile::remove(files.path() + QLatin1Char('/') + name);
    }
}


} // namespace
