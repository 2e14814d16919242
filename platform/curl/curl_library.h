#pragma once
// libcurl, which the program is not linked against: curl_library.cpp forwards every libcurl call of
// the program (mail transfer, platform/net; one page, platform/http) to the library, opened at the
// first (platform/shared_library.h). Their public calls ask library().available() first and fail,
// naming it, where it cannot be opened.
#include "platform/shared_library.h"

namespace platform::curl {

// Debian's runtime name of libcurl (built with OpenSSL).
SharedLibrary& library();

} // namespace platform::curl
