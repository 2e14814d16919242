#pragma once
// libcurl and GMime, which the program is not linked against: net_libraries.cpp forwards every GMime
// call of this folder, platform/curl every libcurl one, to the library opened at the first call
// (platform/shared_library.h), so that they and their thirty-odd libraries (TLS, Kerberos, LDAP,
// SSH, GPGME, …) are loaded only when mail is first checked, read or sent.
#include "platform/shared_library.h"

#include <QString>

namespace mail_transfer::internal {

platform::SharedLibrary& gmime();

// Empty when the libraries a call needs are there; else why not, in Japanese, for the user. GMime
// comes with GObject, whose calls are forwarded by platform/gobject.
QString missingLibraries(bool needsCurl, bool needsGMime);

} // namespace mail_transfer::internal
