#pragma once
// TLS for the test servers: a key and a self-signed certificate for 127.0.0.1, made by the test
// run itself (once per process), and server contexts that use them.

#include <memory>

typedef struct ssl_ctx_st SSL_CTX;

namespace tarrow::test {

struct TTLSContextDeleter {
    void operator()(SSL_CTX* AContext) const;
};
using TTLSContext = std::unique_ptr<SSL_CTX, TTLSContextDeleter>;

// A server context with the run's certificate. AMinVersion and AMaxVersion are OpenSSL protocol
// versions (TLS1_VERSION ... TLS1_3_VERSION); 0 leaves that bound open. The lowest security level
// is set, so old protocol versions can be served. ACipherList, when given, replaces the TLS 1.2
// and older cipher list.
TTLSContext NewServerTLSContext(int AMinVersion = 0, int AMaxVersion = 0,
                                const char* ACipherList = nullptr);

} // namespace tarrow::test
