#pragma once
// A certificate for 127.0.0.1 that nobody signed, made by openssl for a TLS peer of a test.
#include <QString>

// Writes the certificate to cert and its key to key (PEM); false when openssl could not make them.
bool makeSelfSignedCertificate(const QString& cert, const QString& key);
