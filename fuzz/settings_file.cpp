// The settings file reader: any bytes as mailSet.ini (UTF-8 or CP932, any line ends, lines of any
// length), read and written back as the settings do: a batch of reads of the user's section, then
// one rewrite of a few keys. What was written must read back, and keys not written must keep their
// values.
#include "platform/ini_file.h"
#include "support.h"

#include <QStringList>
#include <cstdlib>

namespace {

const QStringList kSections{QStringLiteral("DEFAULT"), QStringLiteral("alice")};
const QStringList kKeys{QStringLiteral("MasterName"), QStringLiteral("temae"), QStringLiteral("top"),
                        QStringLiteral("left"),       QStringLiteral("bccM"),  QStringLiteral("lunch_pass0")};

void check(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "settings file: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path =
        fuzz::writeFile(fuzz::scratch() + QStringLiteral("/mailSet.ini"), fuzz::bytes(data, size));
    for (const QString& section : kSections) {
        QList<std::optional<QString>> before;
        for (const QString& key : kKeys)
            before << platform::ini::read(path, section, key);
        const platform::ini::Pairs pairs{{kKeys[0], QStringLiteral("ご主人様")},
                                         {kKeys[1], QStringLiteral("1")}};
        if (!platform::ini::writeAll(path, section, pairs))
            continue; // a file of bytes no encoding holds is left alone
        check(platform::ini::read(path, section, kKeys[0]) == QStringLiteral("ご主人様"),
              "written value lost");
        check(platform::ini::read(path, section, kKeys[1]) == QStringLiteral("1"), "written value lost");
        for (qsizetype i = 2; i < kKeys.size(); ++i)
            check(platform::ini::read(path, section, kKeys[i]) == before[i], "other key changed by a write");
    }
    return 0;
}
