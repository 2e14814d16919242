// Her dialogue database as the program uses it, from wherever this program lies (copied beside an
// installed morvik, it finds the data folder as she does): "heart_probe edit TEXT" writes TEXT as
// the first line of otaku row 0 in her copy, as her talk editor does; "heart_probe read" prints it.
#include "app/talk/heart_db.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "edit") == 0 && argc < 3)) {
        std::fprintf(stderr, "usage: heart_probe edit TEXT | read\n");
        return 2;
    }
    auto opened = heart::open();
    if (!opened.db) {
        std::fprintf(stderr, "heart_probe: %s\n", qPrintable(opened.error));
        return 1;
    }
    if (std::strcmp(argv[1], "edit") == 0) {
        const QString text = QString::fromLocal8Bit(argv[2]);
        return heart::changeRow(*opened.db, heart::Table::otaku, 0, text, QString(), QString()) ? 0 : 1;
    }
    const auto words = heart::readWords(*opened.db, heart::Table::otaku, 0);
    if (!words)
        return 1;
    std::printf("%s\n", qPrintable(words->word1.value_or(QString())));
    return 0;
}
