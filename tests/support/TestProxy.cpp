#include "tests/support/TestProxy.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace tarrow::test {

namespace {

bool ReadExact(TConnection& AConnection, QByteArray& APending, qsizetype ACount, QByteArray& AOut) {
    char chunk[4096];
    while (APending.size() < ACount) {
        const qsizetype n = AConnection.Read(chunk, sizeof(chunk));
        if (n <= 0)
            return false;
        APending.append(chunk, n);
    }
    AOut = APending.left(ACount);
    APending.remove(0, ACount);
    return true;
}

// Reads up to and including a NUL; the result excludes it.
bool ReadNulTerminated(TConnection& AConnection, QByteArray& APending, QByteArray& AOut) {
    char chunk[4096];
    qsizetype nul;
    while ((nul = APending.indexOf('\0')) < 0) {
        if (APending.size() > 4096)
            return false;
        const qsizetype n = AConnection.Read(chunk, sizeof(chunk));
        if (n <= 0)
            return false;
        APending.append(chunk, n);
    }
    AOut = APending.left(nul);
    APending.remove(0, nul + 1);
    return true;
}

bool IsLoopback(const QByteArray& AHost) {
    if (AHost == "localhost")
        return true;
    in_addr addr{};
    return inet_pton(AF_INET, AHost.constData(), &addr) == 1 && (ntohl(addr.s_addr) >> 24) == 127;
}

quint16 Port16(const QByteArray& ABytes) {
    return quint16((quint8(ABytes[0]) << 8) | quint8(ABytes[1]));
}

QByteArray DottedQuad(const QByteArray& ABytes) {
    return QByteArray::number(quint8(ABytes[0])) + '.' + QByteArray::number(quint8(ABytes[1])) +
           '.' + QByteArray::number(quint8(ABytes[2])) + '.' +
           QByteArray::number(quint8(ABytes[3]));
}

// "host:port" of a CONNECT target or the authority of an absolute URL.
void SplitAuthority(QByteArray AAuthority, THandshake& AShake) {
    const qsizetype colon = AAuthority.lastIndexOf(':');
    AShake.TargetHost = colon < 0 ? AAuthority : AAuthority.left(colon);
    AShake.TargetPort = colon < 0 ? 80 : quint16(AAuthority.mid(colon + 1).toUInt());
}

} // namespace

TProxyServer::TProxyServer(TProxyProtocol AProtocol) : FProtocol(AProtocol) {
    Start();
}

TProxyServer::~TProxyServer() {
    Stop();
}

QString TProxyServer::HostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(Port());
}

void TProxyServer::SetRefuse(bool ARefuse) {
    std::lock_guard<std::mutex> lock(FDataLock);
    FRefuse = ARefuse;
}

void TProxyServer::SetCredentials(const QByteArray& AUser, const QByteArray& APassword) {
    std::lock_guard<std::mutex> lock(FDataLock);
    FUser = AUser;
    FPassword = APassword;
    FNeedCredentials = true;
}

bool TProxyServer::CredentialsRequired() const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return FNeedCredentials;
}

bool TProxyServer::CredentialsMatch(const THandshake& AShake) const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return !FNeedCredentials || (AShake.User == FUser && AShake.Password == FPassword);
}

bool TProxyServer::Socks5Login(TConnection& AConnection, QByteArray& APending, THandshake& AShake) {
    QByteArray head, user, length, password;
    if (!ReadExact(AConnection, APending, 2, head) ||
        !ReadExact(AConnection, APending, quint8(head[1]), user) ||
        !ReadExact(AConnection, APending, 1, length) ||
        !ReadExact(AConnection, APending, quint8(length[0]), password))
        return false;
    AShake.User = user;
    AShake.Password = password;
    const bool ok = head[0] == 1 && CredentialsMatch(AShake);
    AConnection.Write(QByteArray(ok ? "\x01\x00" : "\x01\x01", 2));
    if (!ok)
        Record(AShake);
    return ok;
}

bool TProxyServer::Refusing() const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return FRefuse;
}

QList<THandshake> TProxyServer::Handshakes() const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return FHandshakes;
}

void TProxyServer::Record(const THandshake& AShake) {
    std::lock_guard<std::mutex> lock(FDataLock);
    FHandshakes.append(AShake);
}

void TProxyServer::Serve(TConnection& AConnection, int AIndex) {
    QByteArray pending;
    THandshake shake;
    shake.Connection = AIndex;
    switch (FProtocol) {
    case TProxyProtocol::ppSOCKS4:
        ServeSocks4(AConnection, pending, shake);
        break;
    case TProxyProtocol::ppSOCKS5:
        ServeSocks5(AConnection, pending, shake);
        break;
    case TProxyProtocol::ppHTTP:
        ServeHTTP(AConnection, pending, shake);
        break;
    }
}

void TProxyServer::ServeSocks4(TConnection& AConnection, QByteArray& APending, THandshake& AShake) {
    QByteArray head, user;
    if (!ReadExact(AConnection, APending, 8, head) ||
        !ReadNulTerminated(AConnection, APending, user))
        return;
    AShake.SocksVersion = quint8(head[0]);
    AShake.UserId = user;
    AShake.TargetPort = Port16(head.mid(2, 2));
    AShake.TargetHost = DottedQuad(head.mid(4, 4));
    AShake.AddressType = 1;
    AShake.Raw = head + user + '\0';
    if (head[4] == 0 && head[5] == 0 && head[6] == 0 && head[7] != 0) { // 4a: a host name follows
        QByteArray host;
        if (!ReadNulTerminated(AConnection, APending, host))
            return;
        AShake.AddressType = 3;
        AShake.TargetHost = host;
        AShake.Raw += host + '\0';
    }
    Record(AShake);
    const int upstream = Refusing() || !IsLoopback(AShake.TargetHost) || head[1] != 1
                             ? -1
                             : ConnectLoopback(AShake.TargetPort);
    QByteArray reply("\x00\x5A\x00\x00\x00\x00\x00\x00", 8);
    if (upstream < 0) {
        reply[1] = 0x5B;
        AConnection.Write(reply);
        return;
    }
    AConnection.Write(reply);
    Forward(AConnection, upstream, APending);
}

void TProxyServer::ServeSocks5(TConnection& AConnection, QByteArray& APending, THandshake& AShake) {
    QByteArray greeting, methods, request, address, port;
    if (!ReadExact(AConnection, APending, 2, greeting) ||
        !ReadExact(AConnection, APending, quint8(greeting[1]), methods))
        return;
    AShake.SocksVersion = quint8(greeting[0]);
    AShake.Methods = methods;
    const bool login = CredentialsRequired();
    if (!methods.contains(login ? '\x02' : '\0')) {
        AConnection.Write(QByteArray("\x05\xFF", 2));
        return;
    }
    AConnection.Write(QByteArray(login ? "\x05\x02" : "\x05\x00", 2));
    if (login && !Socks5Login(AConnection, APending, AShake))
        return;
    if (!ReadExact(AConnection, APending, 4, request))
        return;
    AShake.AddressType = quint8(request[3]);
    QByteArray length;
    if (AShake.AddressType == 1) {
        if (!ReadExact(AConnection, APending, 4, address))
            return;
        AShake.TargetHost = DottedQuad(address);
    } else if (AShake.AddressType == 3) {
        if (!ReadExact(AConnection, APending, 1, length) ||
            !ReadExact(AConnection, APending, quint8(length[0]), address))
            return;
        AShake.TargetHost = address;
    } else if (!ReadExact(AConnection, APending, 16, address)) {
        return;
    }
    if (!ReadExact(AConnection, APending, 2, port))
        return;
    AShake.TargetPort = Port16(port);
    AShake.Raw = greeting + methods + request + length + address + port;
    Record(AShake);
    const int upstream = Refusing() || !IsLoopback(AShake.TargetHost) || request[1] != 1
                             ? -1
                             : ConnectLoopback(AShake.TargetPort);
    QByteArray reply("\x05\x00\x00\x01\x7F\x00\x00\x01\x00\x00", 10);
    if (upstream < 0) {
        reply[1] = 0x02; // connection not allowed by ruleset
        AConnection.Write(reply);
        return;
    }
    AConnection.Write(reply);
    Forward(AConnection, upstream, APending);
}

void TProxyServer::ServeHTTP(TConnection& AConnection, QByteArray& APending, THandshake& AShake) {
    TRequest& request = AShake.Request;
    request.Connection = AShake.Connection;
    request.PeerAddress = AConnection.PeerAddress();
    if (!ReadRequest(AConnection, APending, request))
        return;
    AShake.Raw = request.Raw + request.Body;
    const bool tunnel = request.Method == "CONNECT";
    if (tunnel) {
        SplitAuthority(request.Target, AShake);
    } else {
        const qsizetype sep = request.Target.indexOf("://");
        const qsizetype start = sep < 0 ? 0 : sep + 3;
        qsizetype end = request.Target.indexOf('/', start);
        SplitAuthority(request.Target.mid(start, end < 0 ? -1 : end - start), AShake);
    }
    const QByteArray authorization = request.Header("Proxy-Authorization");
    if (authorization.startsWith("Basic ")) {
        const QByteArray pair = QByteArray::fromBase64(authorization.mid(6).trimmed());
        const qsizetype colon = pair.indexOf(':');
        AShake.User = pair.left(colon);
        AShake.Password = colon < 0 ? QByteArray() : pair.mid(colon + 1);
    }
    Record(AShake);
    if (!CredentialsMatch(AShake)) {
        AConnection.Write("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: "
                          "Basic realm=\"test\"\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    const int upstream =
        Refusing() || !IsLoopback(AShake.TargetHost) ? -1 : ConnectLoopback(AShake.TargetPort);
    if (upstream < 0) {
        AConnection.Write(
            "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    if (tunnel) {
        AConnection.Write("HTTP/1.1 200 Connection established\r\n\r\n");
        Forward(AConnection, upstream, APending);
    } else {
        // The origin sees the request exactly as the proxy got it (absolute form).
        Forward(AConnection, upstream, AShake.Raw + APending);
    }
}

void TProxyServer::Forward(TConnection& AClient, int AUpstreamFd, const QByteArray& AToUpstream) {
    Track(AUpstreamFd);
    {
        TConnection upstream(AUpstreamFd, nullptr);
        if (upstream.Write(AToUpstream)) {
            char buffer[65536];
            while (!Stopping()) {
                pollfd p[2] = {{AClient.Fd(), POLLIN, 0}, {AUpstreamFd, POLLIN, 0}};
                if (poll(p, 2, 50) <= 0)
                    continue;
                if (p[0].revents) {
                    const qsizetype n = AClient.Read(buffer, sizeof(buffer));
                    if (n <= 0 || !upstream.Write(QByteArrayView(buffer, n)))
                        break;
                }
                if (p[1].revents) {
                    const qsizetype n = upstream.Read(buffer, sizeof(buffer));
                    if (n <= 0 || !AClient.Write(QByteArrayView(buffer, n)))
                        break;
                }
            }
        }
        Untrack(AUpstreamFd); // before the descriptor is closed and its number reused
    }
}

} // namespace tarrow::test
