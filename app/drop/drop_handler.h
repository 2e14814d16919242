#pragma once
// Files dropped on her. One local file is handled by its extension: MP3 and RMP play while she
// dances, with a balloon naming title and artist; a MIDI song plays with its title; an LZH, ZIP,
// RAR or CAB archive melts in her hands and is unpacked into a new folder on the desktop; anything
// else (a folder too) is opened by the desktop's usual program for it. Several files, a remote URL
// or data that is no file list end after the preliminaries (her idle watches given back).
//
// She acts through her stage (app/window/stage.h), the balloon and voice through the talk service,
// the music through the MP3 and MIDI layers. A drop that arrives while one is still being handled
// (the melting lets window events run) is ignored. GUI thread only.
#include "app/window/services.h"
#include "platform/archive/archive_support.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QMimeData;

namespace drop {

// The texts taken from the dropped file's path.
struct Names {
    QString ext;  // after the path's last ".", lower-cased; empty without a "."
    QString name; // after the path's last "/"
    QString base; // name up to its first "."; empty when name holds no "."
};
Names NamesOf(const QString& path);

// The one local file a drop names in its file list (text/uri-list), a folder's closing "/" taken
// off; nothing when the drop holds no file list, several files, a remote URL or a path with a NUL.
std::optional<QString> OneLocalFile(const QMimeData& data);

enum class Branch { Rmp, Mp3, Midi, Archive, Shell };
Branch BranchOf(const QString& ext);
// The archive kind of an archive extension.
std::optional<platform::archive::Kind> KindOf(const QString& ext);

// The balloon texts.
QString MusicItem(const QString& field); // "『field』", or "情報がありません" for an empty field
QString Mp3Text(const QString& title, const QString& artist, const QString& name);
QString RmpText(const QString& title, const QString& artist);
QString MidiText(const QString& song, const QString& name); // an empty song: "情報なしです"
QString UnpackedText(const QString& base);
QString MissingText(platform::archive::Kind kind); // libarchive cannot read this kind

// The folder on the desktop an archive of these names is unpacked into, named by its base name;
// nothing without a base name (the target would be the desktop itself) or without a desktop.
std::optional<QString> UnpackFolder(const QString& desktop, const Names& names);
inline constexpr char16_t kUnpackFailed[] = u"解凍に失敗しました";
inline constexpr char16_t kNotMidi[] = u"MIDファイルではありません";
inline constexpr char16_t kOpenError[] = u"Open Error";

class DropHandler : public services::Drops {
public:
    void Dropped(const QMimeData& data) override;
    bool Busy() const override { return busy_; }

    // How a file is opened in its usual program (tests replace it).
    inline static std::function<bool(const QUrl&)> OpenUrl;
    // Whether an archive kind can be unpacked (tests replace it); libarchive's answer by default.
    inline static std::function<bool(platform::archive::Kind)> Reads;
    // The message box (tests replace it); the window's own by default.
    inline static std::function<void(const QString&)> MessageBox;

private:
    void handle(const QMimeData& data);
    void music(const QString& path, const Names& names, bool rmp);
    void song(const QString& path, const Names& names);
    void archive(const QString& path, const Names& names);
    void shell(const QString& path);

    bool busy_ = false;
};

} // namespace drop
