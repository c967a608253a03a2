#include "tests/support/TestTLS.h"

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <stdexcept>

namespace tarrow::test {

namespace {

struct TIdentity {
    EVP_PKEY* Key = nullptr;
    X509* Certificate = nullptr;

    TIdentity() {
        Key = EVP_EC_gen("P-256");
        Certificate = X509_new();
        if (!Key || !Certificate)
            throw std::runtime_error("cannot make a TLS key");
        X509_set_version(Certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(Certificate), 1);
        X509_gmtime_adj(X509_getm_notBefore(Certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(Certificate), 7 * 24 * 3600);
        X509_set_pubkey(Certificate, Key);
        X509_NAME* name = X509_get_subject_name(Certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(Certificate, name);
        if (X509_sign(Certificate, Key, EVP_sha256()) == 0)
            throw std::runtime_error("cannot sign the test certificate");
    }
    ~TIdentity() {
        X509_free(Certificate);
        EVP_PKEY_free(Key);
    }
    TIdentity(const TIdentity&) = delete;
    TIdentity& operator=(const TIdentity&) = delete;
};

const TIdentity& Identity() {
    static const TIdentity identity;
    return identity;
}

} // namespace

void TTLSContextDeleter::operator()(SSL_CTX* AContext) const {
    SSL_CTX_free(AContext);
}

TTLSContext NewServerTLSContext(int AMinVersion, int AMaxVersion, const char* ACipherList) {
    TTLSContext context(SSL_CTX_new(TLS_server_method()));
    if (!context)
        throw std::runtime_error("SSL_CTX_new failed");
    SSL_CTX* ctx = context.get();
    SSL_CTX_set_security_level(ctx, 0);
    SSL_CTX_set_cipher_list(ctx, ACipherList ? ACipherList : "DEFAULT:@SECLEVEL=0");
    SSL_CTX_set_min_proto_version(ctx, AMinVersion);
    SSL_CTX_set_max_proto_version(ctx, AMaxVersion);
    if (SSL_CTX_use_certificate(ctx, Identity().Certificate) != 1 ||
        SSL_CTX_use_PrivateKey(ctx, Identity().Key) != 1)
        throw std::runtime_error("cannot use the test certificate");
    return context;
}

} // namespace tarrow::test
