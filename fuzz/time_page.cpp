// The clock's time page: any bytes as the page the HTTP time setting fetched, read by
// clock_setting::pageTime as the setting reads it (CP932, the date on line 31).
#include "app/mail/clock_setting.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::start();
    (void)clock_setting::pageTime(fuzz::bytes(data, size));
    return 0;
}
