#pragma once

#include <QString>

// What OpenSSL itself says about the bridge's TLS settings. The MQTT library reports every TLS
// failure alike; these name the cause, so that a lab knows whether to fix a file, a host name or
// the broker.
namespace TlsProbe {

// Whether the CA file holds PEM certificates and the client certificate and key (when given)
// load and belong together; empty when they do, else what is wrong.
QString checkFiles(const QString &caFile, const QString &certFile, const QString &keyFile);

// Shakes hands with the broker as the bridge would (the CA file, the client certificate, the
// broker's name checked against `host`) and says why it fails: the certificate verification's
// result, or what broke the handshake. Empty when it succeeds. Blocks for at most `timeoutMs`.
QString handshake(const QString &host, int port, const QString &caFile, const QString &certFile,
                  const QString &keyFile, int timeoutMs);

} // namespace TlsProbe
