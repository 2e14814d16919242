#pragma once
// What every harness shares. A harness is one file defining LLVMFuzzerTestOneInput, which hands
// the bytes to the program's own parser the way the program does; fuzz::start() (called on the first
// input) puts the process in a sandbox of its own first:
//   - HOME, the XDG folders, MORVIK_HOME and TMPDIR point into a private scratch folder made for this
//     process under the system's temporary folder, so that nothing a parser does can reach the
//     user's files; the folder is removed at exit;
//   - a QCoreApplication exists (timers, codecs and file names want one), on no display, with SDL on
//     its silent driver.
// Inputs are kept by the harness only for the length of one call; whatever a harness writes goes
// below scratch() and is cleared by the harness itself before the next input.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzz {

void start();

// The process's scratch folder (absolute, no trailing "/").
QString scratch();

// Writes bytes to a file (made or replaced) and returns its path; a failure aborts the run, since
// the harness could then not test what it means to.
QString writeFile(const QString& path, const QByteArray& bytes);

// Empties a folder below scratch(), or makes it; refuses (aborts) any other folder.
void clearFolder(const QString& folder);

// The input as bytes, without a copy.
inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Cuts the input into parts at a separator line of its own ("\n--\n"): one input can then feed a
// parser several replies in a row. The last part is whatever follows the last separator.
QList<QByteArray> parts(const QByteArray& input, int maxParts);

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
