#pragma once
// Proxy front ends for tests: SOCKS 4 (and 4a), SOCKS 5 (no authentication, or user name and
// password) and an HTTP proxy (absolute-form requests and CONNECT, Basic authentication). Each
// records the handshake of every connection and then forwards the bytes both ways to the target,
// which must be on 127.0.0.0/8 (or "localhost"); any other target is refused.
//
//   TScriptedServer origin;
//   TProxyServer proxy(TProxyProtocol::ppSOCKS5);
//   client.SetProxy(ParseProxyURL(u"socks5://" + proxy.HostPort()));
//   client.HTTPGet(origin.URL(u"/x"), ...);
//   proxy.Handshakes()[0].TargetPort == origin.Port();

#include "tests/support/TestServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <mutex>

namespace tarrow::test {

enum class TProxyProtocol { ppSOCKS4, ppSOCKS5, ppHTTP };

// Each kind of proxy with the scheme of its proxy URL, for tables of cases.
struct TProxyKindRow {
    const char* Scheme;
    TProxyProtocol Protocol;
};
inline constexpr TProxyKindRow kProxyKindRows[] = {{"http", TProxyProtocol::ppHTTP},
                                                   {"socks4", TProxyProtocol::ppSOCKS4},
                                                   {"socks5", TProxyProtocol::ppSOCKS5}};

struct THandshake {
    int Connection = -1;
    QByteArray Raw;        // every byte the client sent before forwarding began
    int SocksVersion = 0;  // 4 or 5; 0 for the HTTP proxy
    QByteArray Methods;    // SOCKS 5: the authentication methods offered
    int AddressType = 0;   // SOCKS 5: 1 IPv4, 3 host name, 4 IPv6; SOCKS 4: 1, SOCKS 4a: 3
    QByteArray UserId;     // SOCKS 4
    QByteArray User;       // SOCKS 5 user name, or the user of an HTTP Basic Proxy-Authorization
    QByteArray Password;   // likewise
    QByteArray TargetHost; // as the client named it
    quint16 TargetPort = 0;
    TRequest Request; // HTTP proxy: the first request (CONNECT, or GET in absolute form)
};

class TProxyServer final : public TLoopbackListener {
public:
    explicit TProxyServer(TProxyProtocol AProtocol);
    ~TProxyServer() override;

    // "127.0.0.1:<port>"
    QString HostPort() const;
    // Refuse every request: SOCKS 4 "rejected", SOCKS 5 "not allowed", HTTP 403.
    void SetRefuse(bool ARefuse);
    // Demand credentials: SOCKS 5 accepts only user name and password authentication with these,
    // the HTTP proxy answers 407 without a matching Basic Proxy-Authorization. SOCKS 4 only
    // records the user id.
    void SetCredentials(const QByteArray& AUser, const QByteArray& APassword);
    QList<THandshake> Handshakes() const;

private:
    void Serve(TConnection& AConnection, int AIndex) override;
    void ServeSocks4(TConnection& AConnection, QByteArray& APending, THandshake& AShake);
    void ServeSocks5(TConnection& AConnection, QByteArray& APending, THandshake& AShake);
    void ServeHTTP(TConnection& AConnection, QByteArray& APending, THandshake& AShake);
    void Record(const THandshake& AShake);
    bool Refusing() const;
    bool CredentialsRequired() const;
    bool CredentialsMatch(const THandshake& AShake) const;
    // SOCKS 5 user name and password sub-negotiation; false when the connection must end.
    bool Socks5Login(TConnection& AConnection, QByteArray& APending, THandshake& AShake);
    // Connects to the target and relays bytes both ways until either side closes.
    void Forward(TConnection& AClient, int AUpstreamFd, const QByteArray& AToUpstream);

    TProxyProtocol FProtocol;
    mutable std::mutex FDataLock;
    bool FRefuse = false;
    QByteArray FUser;
    QByteArray FPassword;
    bool FNeedCredentials = false;
    QList<THandshake> FHandshakes;
};

} // namespace tarrow::test
