// A TLS server on loopback for one connection, with a self-signed certificate made in memory for
// the case under test: its validity dates, names and key usages are chosen by the test.
#pragma once

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qp::test {

struct CertFields {
    long valid_from_days = -1; // from now
    long valid_to_days = 2;
    // Extensions as the openssl command names them: {"subjectAltName", "IP:127.0.0.1"}, ...
    std::vector<std::pair<std::string, std::string>> extensions = {
        {"subjectAltName", "IP:127.0.0.1"}};
};

class TlsPeer {
public:
    explicit TlsPeer(const CertFields& fields) {
        EVP_PKEY* key = EVP_EC_gen("prime256v1");
        X509* cert = X509_new();
        ctx_ = SSL_CTX_new(TLS_server_method());
        if (!key || !cert || !ctx_ || !make(cert, key, fields) ||
            SSL_CTX_use_certificate(ctx_, cert) != 1 || SSL_CTX_use_PrivateKey(ctx_, key) != 1) {
            X509_free(cert);
            EVP_PKEY_free(key);
            return;
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        X509_digest(cert, EVP_sha256(), digest, &length);
        for (unsigned int i = 0; i < length; ++i) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            fingerprint_ += std::string(i ? ":" : "") + kHex[digest[i] >> 4] + kHex[digest[i] & 15];
        }
        X509_free(cert);
        EVP_PKEY_free(key);
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        // One handshake; the client's close ends the read.
        thread_ = std::thread([this] {
            // A client that refuses the certificate has gone before the session tickets are out.
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                return;
            SSL* ssl = SSL_new(ctx_);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) == 1) {
                char byte = 0;
                (void)SSL_read(ssl, &byte, 1);
            }
            SSL_free(ssl);
            ::close(fd);
        });
    }
    ~TlsPeer() {
        if (listener_ >= 0)
            ::shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            ::close(listener_);
        SSL_CTX_free(ctx_);
    }
    TlsPeer(const TlsPeer&) = delete;
    TlsPeer& operator=(const TlsPeer&) = delete;

    int port() const { return port_; }
    const std::string& fingerprint() const { return fingerprint_; }

private:
    static bool make(X509* cert, EVP_PKEY* key, const CertFields& fields) {
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), fields.valid_from_days * 86400);
        X509_gmtime_adj(X509_getm_notAfter(cert), fields.valid_to_days * 86400);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("Quillpost test"), -1, -1,
                                   0);
        X509_set_issuer_name(cert, name);
        X509V3_CTX v3;
        X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
        for (const auto& [ext_name, value] : fields.extensions) {
            X509_EXTENSION* ext = X509V3_EXT_conf(nullptr, &v3, ext_name.c_str(), value.c_str());
            if (!ext)
                return false;
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
        return X509_sign(cert, key, EVP_sha256()) > 0;
    }

    SSL_CTX* ctx_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::string fingerprint_;
    std::thread thread_;
};

} // namespace qp::test
