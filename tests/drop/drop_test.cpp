// The dropped-file handler: its names and branches, its texts, and what each branch does to her
// stage, the balloon and the desktop, with real MP3 files (encoded by lame), MIDI files and
// archives made by the real tools.
#include "archive_fixtures.h"
#include "../window/fakes.h"
#include "app/drop/drop_handler.h"
#include "app/state/state.h"
#include "app/talk/midi.h"
#include "app/window/morvik.h"
#include "binary_bytes.h"
#include "fake_stage.h"
#include "platform/codec.h"
#include "platform/pace.h"
#include "platform/random.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

using drop::Branch;

namespace {

// --- names and branches ----------------------------------------------------------------------

struct NamesCase {
    const char* path;
    const char* ext;
    const char* name;
    const char* base;
    Branch branch;
};

void PrintTo(const NamesCase& c, std::ostream* out) {
    *out << c.path;
}

class Names : public testing::TestWithParam<NamesCase> {};

TEST_P(Names, ExtNameBaseAndBranch) {
    const NamesCase& c = GetParam();
    const drop::Names names = drop::NamesOf(QString::fromUtf8(c.path));
    EXPECT_EQ(names.ext, QString::fromUtf8(c.ext));
    EXPECT_EQ(names.name, QString::fromUtf8(c.name));
    EXPECT_EQ(names.base, QString::fromUtf8(c.base));
    EXPECT_EQ(drop::BranchOf(names.ext), c.branch);
}

const std::string kLong(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, Names,
    testing::Values(NamesCase{"/dl/pack.tar.LZH", "lzh", "pack.tar.LZH", "pack", Branch::Archive},
                    NamesCase{"/dl/PACK.LZH", "lzh", "PACK.LZH", "PACK", Branch::Archive},
                    NamesCase{"/dl/a.b.zip", "zip", "a.b.zip", "a", Branch::Archive},
                    NamesCase{"/dl/x.rar", "rar", "x.rar", "x", Branch::Archive},
                    NamesCase{"/dl/x.cab", "cab", "x.cab", "x", Branch::Archive},
                    NamesCase{"/dl/.zip", "zip", ".zip", "", Branch::Archive},
                    NamesCase{"/dl/song.MP3", "mp3", "song.MP3", "song", Branch::Mp3},
                    NamesCase{"/dl/歌.rmp", "rmp", "歌.rmp", "歌", Branch::Rmp},
                    NamesCase{"/dl/tune.mid", "mid", "tune.mid", "tune", Branch::Midi},
                    NamesCase{"/dl/tune.midi", "midi", "tune.midi", "tune", Branch::Shell},
                    NamesCase{"/dl/folder", "", "folder", "", Branch::Shell},
                    // A dot in a folder name counts when the file name has none.
                    NamesCase{"/dl/v1.2/readme", "2/readme", "readme", "", Branch::Shell},
                    NamesCase{"/dl/notes.txt", "txt", "notes.txt", "notes", Branch::Shell}));

TEST(NamesOfLongPaths, HaveNoLimit) {
    const QString folder = QStringLiteral("/dl/") + QString::fromStdString(kLong);
    const drop::Names names = drop::NamesOf(folder + QStringLiteral("/") + QString::fromStdString(kLong) +
                                            QStringLiteral(".tar.zip"));
    EXPECT_EQ(names.ext, QStringLiteral("zip"));
    EXPECT_EQ(names.base, QString::fromStdString(kLong));
}

// --- texts -----------------------------------------------------------------------------------

TEST(Texts, EveryBranch) {
    const struct {
        QString got, want;
    } cases[] = {
        {drop::Mp3Text(QStringLiteral("星の歌"), QStringLiteral("ミナト楽団"), QStringLiteral("星.mp3")),
         QStringLiteral("曲名は\r\n『星の歌』\r\nARTISTは\r\n『ミナト楽団』\r\nファイル名は\r\n『星.mp3』")},
        {drop::Mp3Text({}, {}, QStringLiteral("x.mp3")),
         QStringLiteral(
             "曲名は\r\n情報がありません\r\nARTISTは\r\n情報がありません\r\nファイル名は\r\n『x.mp3』")},
        {drop::RmpText(QStringLiteral("T"), {}),
         QStringLiteral("曲名は\r\n『T』\r\nARTISTは\r\n情報がありません")},
        {drop::MidiText(QStringLiteral("夜想曲"), QStringLiteral("n.mid")),
         QStringLiteral("曲名は\r\n夜想曲\r\nファイル名は\r\nn.mid")},
        {drop::MidiText({}, QStringLiteral("n.mid")),
         QStringLiteral("曲名は\r\n情報なしです\r\nファイル名は\r\nn.mid")},
        {drop::UnpackedText(QStringLiteral("pack")),
         QStringLiteral("デスクトップの\r\npack\r\nというフォルダに解凍しました")},
        {drop::MissingText(platform::archive::Kind::lzh), QStringLiteral("unlha32.dllがありません")},
        {drop::MissingText(platform::archive::Kind::zip), QStringLiteral("UNZIP32.dllがありません")},
        {drop::MissingText(platform::archive::Kind::rar), QStringLiteral("unrar32.dllがありません")},
        {drop::MissingText(platform::archive::Kind::cab), QStringLiteral("Cab32.dllがありません")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want);
}

// --- the handler -------------------------------------------------------------------------------

// 0.3 s of a tone, encoded by lame (made once per run).
QByteArray toneMp3() {
    static QByteArray mp3;
    if (!mp3.isEmpty())
        return mp3;
    QTemporaryDir dir;
    QByteArray pcm;
    for (int i = 0; i < 6615; ++i)
        pcm += le(quint16(qint16(8000 * ((i / 25) % 2 ? 1 : -1))), 2);
    const QByteArray wav = "RIFF" + le(36 + pcm.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                           le(22050, 4) + le(44100, 4) + le(2, 2) + le(16, 2) + "data" + le(pcm.size(), 4) +
                           pcm;
    QFile in(dir.path() + QStringLiteral("/t.wav"));
    EXPECT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(wav);
    in.close();
    QProcess lame;
    lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("32"),
                                        in.fileName(), dir.path() + QStringLiteral("/t.mp3")});
    EXPECT_TRUE(lame.waitForFinished(60000));
    EXPECT_EQ(lame.exitCode(), 0) << "lame (scripts/deps/test-drop.txt) is needed";
    QFile out(dir.path() + QStringLiteral("/t.mp3"));
    EXPECT_TRUE(out.open(QIODevice::ReadOnly));
    mp3 = out.readAll();
    return mp3;
}

QByteArray id3v23(const QByteArray& frames) {
    const quint32 n = quint32(frames.size());
    QByteArray size;
    for (int shift : {21, 14, 7, 0})
        size += char((n >> shift) & 0x7F);
    return QByteArray("ID3\x03\x00\x00", 6) + size + frames;
}
QByteArray frame(const char* id, const QByteArray& body) {
    return QByteArray(id) + be(quint32(body.size()), 4) + QByteArray(2, '\0') + body;
}
QByteArray utf16(const QString& text) {
    QByteArray b("\xFF\xFE", 2);
    for (QChar c : text)
        b += le(c.unicode(), 2);
    return b + QByteArray(2, '\0');
}
QByteArray id3v1(const QByteArray& title, const QByteArray& artist) {
    auto field = [](QByteArray t, int n) { return t.leftJustified(n, '\0', true); };
    return "TAG" + field(title, 30) + field(artist, 30) + field({}, 30) + field({}, 4) + field({}, 30) +
           char(255);
}
QByteArray riff(const char* id, const QByteArray& body) {
    return QByteArray(id) + le(quint32(body.size()), 4) + body +
           (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

class Handler : public testing::Test {
protected:
    void SetUp() override {
        flag::state.reset();
        speak::state.reset();
        auto talk = std::make_unique<FakeTalk>();
        talk_ = talk.get();
        services::install(std::move(talk));
        Stage::Install(&stage_);
        stage_.running = Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle | Stage::MailArming;
        home_ = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home_dir_.path()));
        desktop_ = home_dir_.path() + QStringLiteral("/Desktop");
        QDir().mkpath(desktop_);
        drop::DropHandler::OpenUrl = [this](const QUrl& url) {
            opened_ << url;
            return true;
        };
        drop::DropHandler::MessageBox = [this](const QString& text) { boxes_ << text; };
    }
    void TearDown() override {
        Stage::Install(nullptr);
        services::reset();
        drop::DropHandler::OpenUrl = nullptr;
        drop::DropHandler::Reads = nullptr;
        drop::DropHandler::MessageBox = nullptr;
        platform::random::setSequence({});
        qputenv("HOME", home_);
        midi::MciClose(QStringLiteral("ATYPE"));
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = files_.path() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QString archives() { return madeArchives(); }

    void dropFiles(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        handler_.Dropped(data);
    }
    void dropFile(const QString& path) { dropFiles({path}); }

    // The talk's calls after the preliminaries.
    QStringList talked() const {
        QStringList out = talk_->calls;
        out.removeAll(QStringLiteral("vbmp3_init"));
        return out;
    }

    FakeStage stage_;
    FakeTalk* talk_ = nullptr;
    drop::DropHandler handler_;
    QTemporaryDir home_dir_, files_;
    QByteArray home_;
    QString desktop_;
    QList<QUrl> opened_;
    QStringList boxes_;
};

TEST_F(Handler, SeveralFilesOrNoFileListDoOnlyThePreliminariesAndGiveTheStageBack) {
    const QString a = file(QStringLiteral("a.mp3"), toneMp3()), b = file(QStringLiteral("b.zip"), "x");
    QMimeData text;
    text.setText(QStringLiteral("just text"));
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.invalid/x.zip"))});
    // The system's calls read a path up to a NUL: this one would unpack b.zip under another name.
    QMimeData nul;
    nul.setData(QStringLiteral("text/uri-list"), QUrl::fromLocalFile(b).toEncoded() + "%00c.zip\r\n");
    const std::function<void()> drops[] = {[&] {
                                               dropFiles({a, b});
                                           },
                                           [&] { handler_.Dropped(text); }, [&] { handler_.Dropped(remote); },
                                           [&] { handler_.Dropped(nul); }};
    for (const auto& doDrop : drops) {
        stage_.calls.clear();
        talk_->calls.clear();
        talk_->fukiOpen = true;
        flag::state.IdleCount = 7;
        doDrop();
        EXPECT_EQ(flag::state.IdleCount, 0);
        EXPECT_EQ(talk_->calls, QStringList({"CloseFuki"}));
        EXPECT_EQ(stage_.calls, QStringList({"Stop Battery+Blink+Idle", "GiveBackStage"}));
    }
    EXPECT_TRUE(opened_.isEmpty());
    EXPECT_TRUE(QDir(desktop_).isEmpty());
}

TEST_F(Handler, Mp3PlaysWithTitleAndArtistAndDancesOnceOpened) {
    const QString path =
        file(QStringLiteral("曲.mp3"),
             id3v23(frame("TIT2", '\x01' + utf16(QStringLiteral("星の歌"))) +
                    frame("TPE1", '\0' + platform::codec::toCp932(QStringLiteral("ミナト楽団")))) +
                 toneMp3());
    platform::random::setSequence({0.6}); // the third dance
    dropFile(path);
    EXPECT_EQ(stage_.calls, QStringList({"Stop Battery+Blink+Idle",
                                         "TakeStage MailArming+MailCheck+SignSwap / SignBoard+MailCount",
                                         "Start Dance3", "Start Battery"}));
    EXPECT_EQ(
        talked(),
        QStringList(
            {"ShowFuki 曲名は\r\n『星の歌』\r\nARTISTは\r\n『ミナト楽団』\r\nファイル名は\r\n『曲.mp3』"}));
    EXPECT_EQ(flag::state.VoicePath, path);
}

TEST_F(Handler, EachDanceIsPickedForItsQuarter) {
    const QString path = file(QStringLiteral("x.mp3"), toneMp3());
    const std::pair<double, const char*> cases[] = {{0.0, "Start Dance1"},
                                                    {0.2499, "Start Dance1"},
                                                    {0.25, "Start Dance2"},
                                                    {0.74, "Start Dance3"},
                                                    {0.9999, "Start Dance4"}};
    for (auto [r, dance] : cases) {
        platform::random::setSequence({r});
        stage_.calls.clear();
        dropFile(path);
        EXPECT_TRUE(stage_.calls.contains(QString::fromUtf8(dance))) << r;
    }
}

TEST_F(Handler, Mp3WithEmptyOrId3v1TagsSaysWhatItHas) {
    const QString empty = file(QStringLiteral("empty.mp3"), toneMp3());
    dropFile(empty);
    EXPECT_EQ(talked().last(),
              "ShowFuki "
              "曲名は\r\n情報がありません\r\nARTISTは\r\n情報がありません\r\nファイル名は\r\n『empty.mp3』");
    const QString v1 = file(QStringLiteral("v1.mp3"),
                            toneMp3() + id3v1(platform::codec::toCp932(QStringLiteral("夕暮れ")), {}));
    dropFile(v1);
    EXPECT_EQ(talked().last(),
              "ShowFuki 曲名は\r\n『夕暮れ』\r\nARTISTは\r\n情報がありません\r\nファイル名は\r\n『v1.mp3』");
}

TEST_F(Handler, AFileThatDoesNotOpenSaysOpenErrorWithoutDancing) {
    for (const char* name : {"broken.mp3", "broken.rmp"}) {
        stage_.calls.clear();
        boxes_.clear();
        dropFile(file(QString::fromUtf8(name), "not a sound at all"));
        EXPECT_EQ(boxes_, QStringList({"Open Error"}));
        EXPECT_EQ(stage_.calls.last(), "GiveBackStage");
        for (const QString& call : stage_.calls)
            EXPECT_FALSE(call.contains(QStringLiteral("Dance"))) << name;
        EXPECT_TRUE(talked().isEmpty());
    }
}

// The box itself: her title, "Open Error", OK alone and no icon.
TEST_F(Handler, TheOpenErrorBoxIsPlain) {
    drop::DropHandler::MessageBox = nullptr;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QList<QAbstractButton*> buttons;
    QTimer::singleShot(100, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons().value(0)), QMessageBox::Ok);
        box->accept();
    });
    dropFile(file(QStringLiteral("broken.mp3"), "not a sound at all"));
    EXPECT_EQ(title, QStringLiteral("QTV-52モルヴィク"));
    EXPECT_EQ(text, QStringLiteral("Open Error"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(stage_.calls.last(), "GiveBackStage");
}

TEST_F(Handler, RmpDancesTheFirstDanceAndNamesTitleAndArtist) {
    const QByteArray info =
        riff("INAM", QByteArray("Night") + '\0') + riff("IART", QByteArray("Band") + '\0');
    const QByteArray body = "RMP3" + riff("data", toneMp3()) + riff("LIST", "INFO" + info);
    const QString path = file(QStringLiteral("n.rmp"), "RIFF" + le(quint32(body.size()), 4) + body);
    platform::random::setSequence({0.9});
    dropFile(path);
    EXPECT_EQ(stage_.calls,
              QStringList({"Stop Battery+Blink+Idle",
                           "TakeStage MailArming+MailCheck+SignSwap / SignBoard+MailCount", "Start Dance1"}));
    EXPECT_EQ(talked(), QStringList({"ShowFuki 曲名は\r\n『Night』\r\nARTISTは\r\n『Band』"}));
    EXPECT_EQ(flag::state.VoicePath, path);
}

TEST_F(Handler, MidiNamesTheSongAndWatchesItsEnd) {
    const QByteArray titled = smf(QByteArray("\x00\xFF\x03\x06", 4) +
                                  platform::codec::toCp932(QStringLiteral("夜想曲")) + kOneNote);
    const struct {
        QByteArray bytes;
        const char* balloon;
        bool watched;
    } cases[] = {
        {titled, "ShowFuki 曲名は\r\n夜想曲\r\nファイル名は\r\nsong.mid", true},
        {smf(kOneNote), "ShowFuki 曲名は\r\nタイトルが見つかりません\r\nファイル名は\r\nsong.mid", true},
        {smf(QByteArray("\x00\xFF\x03\x00", 4) + kOneNote),
         "ShowFuki 曲名は\r\n情報なしです\r\nファイル名は\r\nsong.mid", true},
        {QByteArray("RIFF but no song at all"), "ShowFuki MIDファイルではありません", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.balloon);
        talk_->calls.clear();
        talk_->fukiOpen = false;
        stage_.calls.clear();
        stage_.running = {};
        const QString path = file(QStringLiteral("song.mid"), c.bytes);
        dropFile(path);
        EXPECT_EQ(talked(), QStringList({QString::fromUtf8(c.balloon)}));
        EXPECT_EQ(stage_.Running(Stage::MidiEnd), c.watched);
        EXPECT_EQ(flag::state.MidiPath, path);
        midi::MciClose(QStringLiteral("ATYPE"));
    }
}

TEST_F(Handler, ArchivesMeltAndLandUnpackedOnTheDesktop) {
    for (const char* fixture : {"lzh.lzh", "zip.zip", "rar5.rar", "cab.cab"}) {
        SCOPED_TRACE(fixture);
        const QString kind = QString::fromUtf8(fixture).section(QLatin1Char('.'), 1);
        const QString path = files_.path() + QStringLiteral("/新しい.資料.") + kind;
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(archives() + QLatin1Char('/') + QLatin1String(fixture), path));
        talk_->calls.clear();
        talk_->fukiOpen = false;
        stage_.calls.clear();
        platform::pace::Recorder recorder;
        dropFile(path);
        // The pauses (the poses are the stage's calls below); none after the fifth frame.
        EXPECT_EQ(recorder.events, QStringList({"sleep 800", "sleep 500", "sleep 600", "sleep 600"}));
        EXPECT_EQ(stage_.calls,
                  QStringList({"Stop Battery+Blink+Idle", "Hide SignBoard+MailCount",
                               "ShowPose gra4.melt01 gra4.Image1(20)", "ShowPose gra4.melt02 gra4.Image1(21)",
                               "ShowPose gra4.melt03 gra4.Image1(22)", "ShowPose gra4.melt04 gra4.Image1(17)",
                               "ShowPose gra4.melt05 gra4.Image1(18)"}));
        EXPECT_EQ(talked(),
                  QStringList({"ShowFuki デスクトップの\r\n新しい\r\nというフォルダに解凍しました"}));
        QFile unpacked(desktop_ + QStringLiteral("/新しい/資料/日本語.txt"));
        EXPECT_TRUE(unpacked.exists());
        EXPECT_TRUE(QDir(desktop_ + QStringLiteral("/新しい")).removeRecursively());
    }
}

TEST_F(Handler, AFailedUnpackSaysSoAndRemovesOnlyTheEmptyFolderItMade) {
    // Not an archive at all: nothing is unpacked before the failure.
    const QString truncated = file(QStringLiteral("broken.zip"), QByteArray(4000, 'z'));
    dropFile(truncated);
    EXPECT_EQ(talked(), QStringList({"PlayCommonVoice 7", "ShowFuki 解凍に失敗しました"}));
    EXPECT_EQ(flag::state.VoicePath, services::commonVoicePath(QStringLiteral("7")));
    EXPECT_FALSE(stage_.calls.join(QLatin1Char(' ')).contains(QStringLiteral("melt05")));
    EXPECT_TRUE(QDir(desktop_).isEmpty());

    // A folder of that name that was there before stays, with what it held.
    QDir().mkpath(desktop_ + QStringLiteral("/broken"));
    dropFile(truncated);
    EXPECT_TRUE(QDir(desktop_ + QStringLiteral("/broken")).exists());
}

TEST_F(Handler, AKindTheLibraryCannotReadSaysItsRowsMessageAfterTheMelting) {
    drop::DropHandler::Reads = [](platform::archive::Kind kind) {
        return kind != platform::archive::Kind::rar;
    };
    const QString path = files_.path() + QStringLiteral("/p.rar");
    ASSERT_TRUE(QFile::copy(archives() + QStringLiteral("/rar4.rar"), path));
    dropFile(path);
    EXPECT_EQ(talked(), QStringList({"PlayCommonVoice 8", "ShowFuki unrar32.dllがありません"}));
    EXPECT_EQ(flag::state.VoicePath, services::commonVoicePath(QStringLiteral("8")));
    EXPECT_EQ(stage_.calls.filter(QStringLiteral("ShowPose")).size(), 4);
    EXPECT_TRUE(QDir(desktop_).isEmpty());
}

TEST_F(Handler, ANameWithoutBaseWritesNothing) {
    const QString path = files_.path() + QStringLiteral("/.zip");
    ASSERT_TRUE(QFile::copy(archives() + QStringLiteral("/zip.zip"), path));
    QFile mine(desktop_ + QStringLiteral("/a.txt"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    dropFile(path);
    EXPECT_EQ(talked(), QStringList({"PlayCommonVoice 7", "ShowFuki 解凍に失敗しました"}));
    EXPECT_EQ(QDir(desktop_).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"a.txt"}));
    EXPECT_TRUE(QDir(desktop_).exists());
}

TEST_F(Handler, HostileArchivesFailAndLeaveTheDesktopAlone) {
    QFile mine(desktop_ + QStringLiteral("/escaped.txt"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    for (const char* fixture : {"dotdot.zip", "symlink.zip"}) {
        SCOPED_TRACE(fixture);
        talk_->calls.clear();
        const QString path = files_.path() + QLatin1Char('/') + QLatin1String(fixture);
        ASSERT_TRUE(QFile::copy(archives() + QLatin1Char('/') + QLatin1String(fixture), path));
        dropFile(path);
        EXPECT_EQ(talked().last(), "ShowFuki 解凍に失敗しました");
        QFile check(desktop_ + QStringLiteral("/escaped.txt"));
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), "mine");
    }
}

TEST_F(Handler, OtherFilesAndFoldersOpenInTheirUsualProgram) {
    const QString notes = file(QStringLiteral("メモ.txt"), "hello");
    dropFile(notes);
    const QString folder = files_.path() + QStringLiteral("/フォルダ");
    QDir().mkpath(folder);
    dropFile(folder + QLatin1Char('/'));
    EXPECT_EQ(opened_, QList<QUrl>({QUrl::fromLocalFile(notes), QUrl::fromLocalFile(folder)}));
    EXPECT_EQ(stage_.calls.count(QStringLiteral("GiveBackStage")), 2);
    EXPECT_TRUE(talked().isEmpty());
}

TEST_F(Handler, ADropWhileOneIsHandledIsIgnored) {
    const QString zip = files_.path() + QStringLiteral("/p.zip");
    ASSERT_TRUE(QFile::copy(archives() + QStringLiteral("/zip.zip"), zip));
    const QString notes = file(QStringLiteral("n.txt"), "x");
    // The second drop arrives during the first melting frame's pause.
    struct Nested : FakeStage {
        std::function<void()> during;
        void ShowPose(Shape shape, const stores::Picture& picture) override {
            FakeStage::ShowPose(shape, picture);
            if (during)
                std::exchange(during, nullptr)();
        }
    } nested;
    nested.during = [&] { dropFile(notes); };
    Stage::Install(&nested);
    dropFile(zip);
    EXPECT_TRUE(opened_.isEmpty());
    EXPECT_EQ(nested.calls.count(QStringLiteral("Stop Battery+Blink+Idle")), 1);
    EXPECT_EQ(talked(), QStringList({"ShowFuki デスクトップの\r\np\r\nというフォルダに解凍しました"}));
}

// On her real window: each melting frame gives the outline first, then the picture, then the pause.
TEST_F(Handler, TheMeltingFramesOnHerWindow) {
    auto ras = std::make_shared<FakeRas>();
    dialup::install(ras);
    morvik::InstanceName = QStringLiteral("morvik-drop-%1").arg(getpid());
    {
        morvik window;
        Stage::Install(&window);
        const QString zip = files_.path() + QStringLiteral("/p.zip");
        ASSERT_TRUE(QFile::copy(archives() + QStringLiteral("/zip.zip"), zip));
        platform::pace::Recorder recorder;
        dropFile(zip);
        EXPECT_EQ(recorder.events, QStringList({"shape melt01", "picture gra4.Image1(20)", "sleep 800",
                                                "shape melt02", "picture gra4.Image1(21)", "sleep 500",
                                                "shape melt03", "picture gra4.Image1(22)", "sleep 600",
                                                "shape melt04", "picture gra4.Image1(17)", "sleep 600",
                                                "shape melt05", "picture gra4.Image1(18)"}));
        EXPECT_EQ(stores::Shown(window.Image1), gra4::Image1(18));
        EXPECT_TRUE(window.Image2->isHidden());
        Stage::Install(nullptr);
    }
    dialup::install(nullptr);
}

} // namespace
