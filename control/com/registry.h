#pragma once
// The per-user class registry: which component classes exist, under which ProgIDs, in which
// library, with which type library. It stands where a system-wide registry would, as one text
// file of keys and values:
//
//   [CLSID\{25B54751-827B-4C24-8A05-763EA8982502}\InprocServer32]
//   @=/usr/lib/libbrindok.so
//   ThreadingModel=Apartment
//
// A key is a path of names joined by backslashes; "@" is a key's default value. Key and value
// names match without regard to case. In a value, backslash, CR and LF are written as \\, \r, \n.
// The file is $MORVIK_COM_REGISTRY when set, else $XDG_CONFIG_HOME/morvik/classes.reg
// (~/.config/morvik/classes.reg).
//
// A class's InprocServer32 key also holds the value BuildVersion: the build version of the
// component interfaces (com::kBuildVersion) that its library was made with. The interfaces are used
// as raw function tables, so a host should create objects of a class only when that version is its
// own (the main window's site, BrindokSite.h, sees to it).
//
// Every change reads the file, applies itself and writes the whole file back atomically under a
// lock (platform/atomic_file.h), so two processes registering at once lose nothing and a failed
// write (a full disk) keeps the old file. A file that does not parse is never
// overwritten: reading it gives an error and every change is refused.
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace com {
// The name of the value that records a library's build version under its InprocServer32 key.
inline constexpr const char* kBuildVersionValue = "BuildVersion";
} // namespace com

namespace com::registry {

QString filePath();

class Tree {
public:
    // The value named name (empty: the default value) of key; nothing when absent.
    std::optional<QString> value(const QString& key, const QString& name = {}) const;
    // True when key exists or has subkeys.
    bool hasKey(const QString& key) const;
    // The names of the direct subkeys of key, as written.
    QStringList subkeys(const QString& key) const;

    void createKey(const QString& key);
    void setValue(const QString& key, const QString& name, const QString& value);
    // Removes key with all its values and subkeys.
    void removeTree(const QString& key);

    // Reads the text of a registry file; nothing when a line is neither a key, a value under a
    // key, a comment nor blank, or a key or value name is empty.
    static std::optional<Tree> parse(const QByteArray& text);
    QByteArray serialize() const;

    bool operator==(const Tree&) const = default;

private:
    struct Key {
        QString name;                                      // as first written
        QMap<QString, std::pair<QString, QString>> values; // folded name -> (name, value)
        bool operator==(const Key&) const = default;
    };
    QMap<QString, Key> keys_; // folded path -> key
};

// The registry in path; an empty tree when the file does not exist; nothing when it cannot be
// read or does not parse (error says why).
std::optional<Tree> load(const QString& path, QString* error = nullptr);

// Applies change to the registry in path and saves it. False (error says why, the file is then
// unchanged) when the file cannot be read, does not parse or cannot be written.
bool edit(const QString& path, const std::function<void(Tree&)>& change, QString* error = nullptr);

// One value of the registry in filePath(); nothing when absent or unreadable.
std::optional<QString> read(const QString& key, const QString& name = {});

} // namespace com::registry
