#include "app/drop/drop_handler.h"

#include "app/shapes/outlines.h"
#include "app/state/state.h"
#include "app/talk/midi.h"
#include "app/window/picture_stores.h"
#include "app/window/stage.h"
#include "platform/archive/unpack.h"
#include "platform/audio/vbmp3.h"
#include "platform/pace.h"
#include "platform/random.h"
#include "platform/system_folder.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>

namespace drop {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Writes the `common` clip and names it as the balloon's clip.
void prepareVoice(const QString& id) {
    speak::state.VoiceId = id;
    services::talk().PlayCommonVoice();
    flag::state.VoicePath = services::commonVoicePath(id);
}

void balloon(const QString& text) {
    speak::state.TalkText = text;
    services::talk().ShowFuki();
}

// A path that ends without a balloon gives her idle watches back, as the balloon's close would.
void giveBack(Stage& stage) {
    stage.GiveBackStage();
}

// The melting frames: outline first, then picture, then the pause during which events run.
void meltFrame(Stage& stage, Stage::Shape shape, const stores::Picture& picture, int pause) {
    stage.ShowPose(shape, picture);
    platform::pace::yieldEvents();
    platform::pace::sleep(pause);
}

} // namespace

std::optional<QString> OneLocalFile(const QMimeData& data) {
    if (!data.hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    QString path = urls.first().toLocalFile();
    // A NUL ("%00") names no file: the system would read the path only up to it.
    if (path.contains(QChar(0)))
        return std::nullopt;
    // A folder may come with its closing "/": its name is its last part.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

Names NamesOf(const QString& path) {
    Names names;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        names.ext = path.mid(dot + 1).toLower();
    names.name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype firstDot = names.name.indexOf(QLatin1Char('.'));
    if (firstDot >= 0)
        names.base = names.name.left(firstDot);
    return names;
}

Branch BranchOf(const QString& ext) {
    if (ext == QLatin1String("rmp"))
        return Branch::Rmp;
    if (ext == QLatin1String("mp3"))
        return Branch::Mp3;
    if (ext == QLatin1String("mid"))
        return Branch::Midi;
    if (KindOf(ext))
        return Branch::Archive;
    return Branch::Shell;
}

std::optional<platform::archive::Kind> KindOf(const QString& ext) {
    using platform::archive::Kind;
    if (ext == QLatin1String("lzh"))
        return Kind::lzh;
    if (ext == QLatin1String("zip"))
        return Kind::zip;
    if (ext == QLatin1String("rar"))
        return Kind::rar;
    if (ext == QLatin1String("cab"))
        return Kind::cab;
    return std::nullopt;
}

QString MusicItem(const QString& field) {
    return field.isEmpty() ? QStringLiteral("情報がありません")
                           : QStringLiteral("『") + field + QStringLiteral("』");
}

QString RmpText(const QString& title, const QString& artist) {
    return QStringLiteral("曲名は") + kCrLf + MusicItem(title) + kCrLf + QStringLiteral("ARTISTは") + kCrLf +
           MusicItem(artist);
}

QString Mp3Text(const QString& title, const QString& artist, const QString& name) {
    return RmpText(title, artist) + kCrLf + QStringLiteral("ファイル名は") + kCrLf + QStringLiteral("『") +
           name + QStringLiteral("』");
}

QString MidiText(const QString& song, const QString& name) {
    return QStringLiteral("曲名は") + kCrLf + (song.isEmpty() ? QStringLiteral("情報なしです") : song) +
           kCrLf + QStringLiteral("ファイル名は") + kCrLf + name;
}

QString UnpackedText(const QString& base) {
    return QStringLiteral("デスクトップの") + kCrLf + base + kCrLf +
           QStringLiteral("というフォルダに解凍しました");
}

QString MissingText(platform::archive::Kind kind) {
    using platform::archive::Kind;
    switch (kind) {
    case Kind::lzh:
        return QStringLiteral("unlha32.dllがありません");
    case Kind::zip:
        return QStringLiteral("UNZIP32.dllがありません");
    case Kind::rar:
        return QStringLiteral("unrar32.dllがありません");
    case Kind::cab:
        return QStringLiteral("Cab32.dllがありません");
    }
    return {};
}

std::optional<QString> UnpackFolder(const QString& desktop, const Names& names) {
    if (names.base.isEmpty() || desktop.isEmpty())
        return std::nullopt;
    return desktop + QLatin1Char('/') + names.base;
}

void DropHandler::Dropped(const QMimeData& data) {
    // The melting lets window events run, a second drop among them: it would run inside this one
    // (the window hands drops on only once no sequence of hers runs; this guards other callers).
    if (busy_)
        return;
    busy_ = true;
    struct Done {
        bool& busy;
        ~Done() { busy = false; }
    } done{busy_};
    handle(data);
}

void DropHandler::handle(const QMimeData& data) {
    Stage* stage = Stage::Current();
    if (!stage)
        return;
    flag::state.IdleCount = 0;
    stores::Load(QStringLiteral("gra4"));
    stores::Load(QStringLiteral("gra5"));
    if (services::talk().FukiOpen())
        services::talk().CloseFuki();
    // A song that still plays ends first, and its dance with it: the new file's frames never mix
    // with the running dance's.
    const Stage::Watches playing =
        Stage::Watches(Stage::Dance1) | Stage::Dance2 | Stage::Dance3 | Stage::Dance4 | Stage::Mp3End;
    if (stage->Running(Stage::Dance1) || stage->Running(Stage::Dance2) || stage->Running(Stage::Dance3) ||
        stage->Running(Stage::Dance4)) {
        stage->Stop(playing);
        vbmp3_stop();
        vbmp3_close();
        flag::state.PlayMode = 0;
    }
    stage->Stop(Stage::Watches(Stage::Battery) | Stage::Blink | Stage::Idle);
    vbmp3_init();

    const std::optional<QString> path = OneLocalFile(data);
    if (!path) {
        giveBack(*stage);
        return;
    }
    const Names names = NamesOf(*path);
    const Branch branch = BranchOf(names.ext);
    if (branch == Branch::Archive) {
        stage->Hide(Stage::Overlays(Stage::SignBoard) | Stage::MailCount);
        meltFrame(*stage, gra4::melt01, gra4::Image1(20), 800);
        meltFrame(*stage, gra4::melt02, gra4::Image1(21), 500);
        meltFrame(*stage, gra4::melt03, gra4::Image1(22), 600);
        meltFrame(*stage, gra4::melt04, gra4::Image1(17), 600);
    }
    switch (branch) {
    case Branch::Rmp:
        music(*path, names, true);
        return;
    case Branch::Mp3:
        music(*path, names, false);
        return;
    case Branch::Midi:
        song(*path, names);
        return;
    case Branch::Archive:
        archive(*path, names);
        return;
    case Branch::Shell:
        shell(*path);
        return;
    }
}

void DropHandler::music(const QString& path, const Names& names, bool rmp) {
    Stage& stage = *Stage::Current();
    stage.TakeStage(Stage::Watches(Stage::MailArming) | Stage::MailCheck | Stage::SignSwap,
                    Stage::Overlays(Stage::SignBoard) | Stage::MailCount);
    // An RMP always dances the first dance; an MP3 one of the four with equal chances.
    static constexpr Stage::Watch kDances[] = {Stage::Dance1, Stage::Dance2, Stage::Dance3, Stage::Dance4};
    const int dance = rmp ? 0 : std::min(3, static_cast<int>(4 * platform::random::next()));
    if (!vbmp3_open(path)) {
        (MessageBox ? MessageBox : [](const QString& text) {
            // A plain box: her title, the words, OK alone, no icon.
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("QTV-52モルヴィク"), text, QMessageBox::Ok);
            box.exec();
        })(QString::fromUtf16(kOpenError));
        giveBack(stage);
        return;
    }
    // The dance starts only once the file is known to play.
    stage.Start(kDances[dance]);
    if (!rmp)
        stage.Start(Stage::Battery);
    QString title, artist;
    bool read = false;
    if (rmp) {
        Vbmp3ListInfo list;
        read = vbmp3_getListInfo(&list);
        title = list.name;
        artist = list.artist;
    } else {
        Vbmp3TagInfo tag;
        read = vbmp3_getTagInfo(&tag);
        title = tag.title;
        artist = tag.artist;
    }
    vbmp3_close();
    vbmp3_free();
    if (!read) {
        giveBack(stage);
        return;
    }
    flag::state.VoicePath = path;
    balloon(rmp ? RmpText(title, artist) : Mp3Text(title, artist, names.name));
}

void DropHandler::song(const QString& path, const Names& names) {
    flag::state.MidiPath = path;
    midi::MciOpen(flag::state.MidiPath, QStringLiteral("ATYPE"));
    midi::MciPlay(QStringLiteral("ATYPE"), QString(), QString());
    const QString title = midi::ReadMidiInfo(flag::state.MidiPath).Title;
    if (title == QStringView(kNotMidi)) {
        balloon(title);
        return;
    }
    Stage::Current()->Start(Stage::MidiEnd);
    balloon(MidiText(title, names.name));
}

void DropHandler::archive(const QString& path, const Names& names) {
    const platform::archive::Kind kind = *KindOf(names.ext);
    if (!(Reads ? Reads(kind) : platform::archive::reads(kind))) {
        prepareVoice(QStringLiteral("8"));
        balloon(MissingText(kind));
        return;
    }
    auto failed = [] {
        prepareVoice(QStringLiteral("7"));
        balloon(QString::fromUtf16(kUnpackFailed));
    };
    const std::optional<QString> into = UnpackFolder(clsSystemFolder().Desktop(), names);
    if (!into) {
        failed();
        return;
    }
    const QString& folder = *into;
    const QFileInfo target(folder);
    bool created = false;
    if (target.exists() || target.isSymLink()) {
        // An existing folder takes the archive's content beside its own; a file of that name or a
        // link is not a place to unpack into.
        if (!target.isDir() || target.isSymLink()) {
            failed();
            return;
        }
    } else {
        if (!QDir().mkdir(folder)) {
            failed();
            return;
        }
        created = true;
    }
    const platform::archive::UnpackResult result = platform::archive::unpack(path, kind, folder);
    if (result.ok) {
        Stage::Current()->ShowPose(gra4::melt05, gra4::Image1(18));
        flag::state.VoicePath.clear();
        balloon(UnpackedText(names.base));
        return;
    }
    qWarning().noquote() << QStringLiteral("unpacking %1 failed: %2").arg(path, result.error);
    // Only a folder this drop made, and only while nothing is in it.
    if (created)
        QDir().rmdir(folder);
    failed();
}

void DropHandler::shell(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(path);
    if (OpenUrl)
        OpenUrl(url);
    else
        QDesktopServices::openUrl(url);
    giveBack(*Stage::Current());
}

} // namespace drop
