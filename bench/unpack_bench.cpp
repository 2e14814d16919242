// Unpacks one archive into a folder with the program's own unpacking (platform/archive/unpack.h)
// and prints the seconds it took: bench/unpack.sh runs it beside bsdtar.
// unpack_bench ARCHIVE FOLDER
#include "platform/archive/unpack.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QElapsedTimer timer;
    timer.start();
    const auto result = platform::archive::unpack(
        QString::fromLocal8Bit(argv[1]), platform::archive::Kind::zip, QString::fromLocal8Bit(argv[2]));
    std::printf("%.2f\n", double(timer.elapsed()) / 1000.0);
    if (!result.ok)
        std::fprintf(stderr, "unpack failed: %s\n", qPrintable(result.error));
    return result.ok ? 0 : 1;
}
