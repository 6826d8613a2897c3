#include "tlsprobe.h"

#include <QByteArray>
#include <QFile>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <arpa/inet.h>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using Context = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;

// The reason of OpenSSL's latest error, and the queue emptied.
QString lastError()
{
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    const char *reason = code ? ERR_reason_error_string(code) : nullptr;
    return reason ? QString::fromUtf8(reason) : QStringLiteral("no reason given");
}

Context context()
{
    return Context(SSL_CTX_new(TLS_client_method()), &SSL_CTX_free);
}

// Loads the CA file and the client's pair into `ctx`; empty when all loads, else why not.
QString load(SSL_CTX *ctx, const QString &caFile, const QString &certFile, const QString &keyFile)
{
    const QByteArray ca = QFile::encodeName(caFile);
    if (SSL_CTX_load_verify_locations(ctx, ca.constData(), nullptr) != 1) {
        ERR_clear_error();
        return QStringLiteral("the CA file %1 holds no PEM certificate").arg(caFile);
    }
    if (certFile.isEmpty())
        return {};
    const QByteArray cert = QFile::encodeName(certFile);
    const QByteArray key = QFile::encodeName(keyFile);
    if (SSL_CTX_use_certificate_chain_file(ctx, cert.constData()) != 1)
        return QStringLiteral("the certificate %1 cannot be used: %2").arg(certFile, lastError());
    if (SSL_CTX_use_PrivateKey_file(ctx, key.constData(), SSL_FILETYPE_PEM) != 1) {
        // Loading the key already compares it with the certificate.
        if (ERR_GET_REASON(ERR_peek_last_error()) != X509_R_KEY_VALUES_MISMATCH)
            return QStringLiteral("the key %1 cannot be used: %2").arg(keyFile, lastError());
        ERR_clear_error();
        return QStringLiteral("the key %1 does not belong to the certificate %2")
            .arg(keyFile, certFile);
    }
    if (SSL_CTX_check_private_key(ctx) != 1) {
        ERR_clear_error();
        return QStringLiteral("the key %1 does not belong to the certificate %2")
            .arg(keyFile, certFile);
    }
    return {};
}

// A TCP connection to the broker with send and receive time limits; -1 when none is made.
int connectTo(const QString &host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                      &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo *address = found; address && fd < 0; address = address->ai_next) {
        fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0)
            continue;
        timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

} // namespace

namespace TlsProbe {

QString checkFiles(const QString &caFile, const QString &certFile, const QString &keyFile)
{
    const Context ctx = context();
    return ctx ? load(ctx.get(), caFile, certFile, keyFile) : lastError();
}

QString handshake(const QString &host, int port, const QString &caFile, const QString &certFile,
                  const QString &keyFile, int timeoutMs)
{
    const Context ctx = context();
    if (!ctx)
        return lastError();
    if (const QString why = load(ctx.get(), caFile, certFile, keyFile); !why.isEmpty())
        return why;
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), &SSL_free);
    if (!ssl)
        return lastError();
    // The name is checked as the MQTT library checks it: an address against the certificate's
    // addresses, a name against its names.
    X509_VERIFY_PARAM *parameters = SSL_get0_param(ssl.get());
    const QByteArray name = host.toUtf8();
    unsigned char address[sizeof(in6_addr)];
    const bool isAddress = ::inet_pton(AF_INET, name.constData(), address) == 1 ||
                           ::inet_pton(AF_INET6, name.constData(), address) == 1;
    if (!isAddress) {
        X509_VERIFY_PARAM_set1_host(parameters, name.constData(), 0);
        SSL_set_tlsext_host_name(ssl.get(), name.constData());
    } else {
        X509_VERIFY_PARAM_set1_ip_asc(parameters, name.constData());
    }
    const int fd = connectTo(host, port, timeoutMs);
    if (fd < 0)
        return {};
    SSL_set_fd(ssl.get(), fd);
    const int shaken = SSL_connect(ssl.get());
    const long verified = SSL_get_verify_result(ssl.get());
    QString why;
    if (verified != X509_V_OK)
        why = QStringLiteral("the broker's certificate is not trusted: %1")
                  .arg(QString::fromUtf8(X509_verify_cert_error_string(verified)));
    else if (shaken != 1)
        why = QStringLiteral("the TLS handshake failed (%1); is %2 the broker's TLS port?")
                  .arg(lastError())
                  .arg(port);
    else
        SSL_shutdown(ssl.get());
    ERR_clear_error();
    ::close(fd);
    return why;
}

} // namespace TlsProbe
