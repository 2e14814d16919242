// The headline engine's texts: the input is a fetched page, cut at a line "--" from a runner's
// output. The page is made UTF-8 for the plug-in as covflg 1 asks (any declared encoding), and the
// output is read as the engine reads it (the two lines the runner prints first skipped, CR LF, the
// cleaning).
#include "app/headline/page_text.h"
#include "support.h"

using namespace headline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> parts = fuzz::parts(fuzz::bytes(data, size), 2);
    (void)page_text::toUtf8(parts[0]).size();
    if (const std::optional<QString> text = page_text::runnerText(parts.value(1)))
        (void)page_text::clean(*text).size();
    return 0;
}
