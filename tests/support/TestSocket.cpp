#include "tests/support/TestSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tarrow::test {

namespace {

sockaddr_in LoopbackAddress(quint16 APort) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(APort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

quint16 BoundPort(int AFd) {
    sockaddr_in addr{};
    socklen_t len = sizeof(addr);
    getsockname(AFd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

// A socket bound to an ephemeral port of 127.0.0.1.
int BoundSocket() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket() failed");
    const sockaddr_in addr = LoopbackAddress(0);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(fd);
        throw std::runtime_error("bind() failed");
    }
    return fd;
}

void IgnoreSigPipe() {
    static const bool done = [] {
        std::signal(SIGPIPE, SIG_IGN); // a peer that went away must not end the test run
        return true;
    }();
    (void)done;
}

} // namespace

// ---- TConnection ----

TConnection::TConnection(int AFd, SSL_CTX* ATLSContext) : FFd(AFd) {
    sockaddr_in addr{};
    socklen_t len = sizeof(addr);
    if (getpeername(AFd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &addr.sin_addr, text, sizeof(text));
        FPeer = QByteArray(text);
    }
    const int one = 1;
    setsockopt(AFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (ATLSContext) {
        FSSL = SSL_new(ATLSContext);
        SSL_set_fd(FSSL, AFd);
    }
}

TConnection::~TConnection() {
    if (FSSL) {
        SSL_shutdown(FSSL);
        SSL_free(FSSL);
    }
    close(FFd);
}

bool TConnection::Handshake() {
    return !FSSL || SSL_accept(FSSL) == 1;
}

qsizetype TConnection::Read(char* ABuffer, qsizetype ASize) {
    if (FSSL) {
        const int n = SSL_read(FSSL, ABuffer, int(std::min<qsizetype>(ASize, 1 << 30)));
        if (n > 0)
            return n;
        return SSL_get_error(FSSL, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
    }
    for (;;) {
        const ssize_t n = recv(FFd, ABuffer, size_t(ASize), 0);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool TConnection::Write(QByteArrayView AData) {
    qsizetype done = 0;
    while (done < AData.size()) {
        qsizetype n;
        if (FSSL)
            n = SSL_write(FSSL, AData.data() + done,
                          int(std::min<qsizetype>(AData.size() - done, 1 << 30)));
        else
            n = send(FFd, AData.data() + done, size_t(AData.size() - done), MSG_NOSIGNAL);
        if (n <= 0) {
            if (!FSSL && n < 0 && errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

bool TConnection::WaitReadable(int AMs) {
    if (FSSL && SSL_pending(FSSL) > 0)
        return true;
    pollfd p{FFd, POLLIN, 0};
    return poll(&p, 1, AMs) > 0;
}

int ConnectLoopback(quint16 APort) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_in addr = LoopbackAddress(APort);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

quint16 RefusedPort() {
    const int fd = BoundSocket();
    const quint16 port = BoundPort(fd);
    close(fd);
    return port;
}

// ---- TLoopbackListener ----

TLoopbackListener::TLoopbackListener(SSL_CTX* ATLSContext) : FTLSContext(ATLSContext) {
    IgnoreSigPipe();
}

TLoopbackListener::~TLoopbackListener() {
    Stop();
}

void TLoopbackListener::Start() {
    FListenFd = BoundSocket();
    const int one = 1;
    setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    if (listen(FListenFd, 64) != 0)
        throw std::runtime_error("listen() failed");
    FPort = BoundPort(FListenFd);
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

void TLoopbackListener::AcceptLoop() {
    while (!Stopping()) {
        pollfd p{FListenFd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const int fd = accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int index = FConnections.fetch_add(1);
        std::lock_guard<std::mutex> lock(FLock);
        if (Stopping()) {
            close(fd);
            break;
        }
        FTracked.insert(fd);
        FThreads.emplace_back([this, fd, index] {
            {
                TConnection connection(fd, FTLSContext);
                if (connection.Handshake())
                    Serve(connection, index);
                Untrack(fd); // before the descriptor is closed and its number reused
            }
        });
    }
}

void TLoopbackListener::Stop() {
    if (FStopping.exchange(true))
        return;
    if (FAcceptThread.joinable())
        FAcceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(FLock);
        for (int fd : FTracked)
            shutdown(fd, SHUT_RDWR);
        threads.swap(FThreads);
    }
    FWake.notify_all();
    for (std::thread& t : threads)
        t.join();
    if (FListenFd >= 0)
        close(FListenFd);
    FListenFd = -1;
}

bool TLoopbackListener::SleepMs(int AMs) {
    std::unique_lock<std::mutex> lock(FLock);
    FWake.wait_for(lock, std::chrono::milliseconds(AMs), [this] { return Stopping(); });
    return !Stopping();
}

void TLoopbackListener::Track(int AFd) {
    std::lock_guard<std::mutex> lock(FLock);
    if (Stopping())
        shutdown(AFd, SHUT_RDWR);
    FTracked.insert(AFd);
}

void TLoopbackListener::Untrack(int AFd) {
    std::lock_guard<std::mutex> lock(FLock);
    FTracked.erase(AFd);
}

// ---- TBlackholePort ----

TBlackholePort::TBlackholePort() {
    FListenFd = BoundSocket();
    listen(FListenFd, 0);
    FPort = BoundPort(FListenFd);
    // Fill the accept queue; later handshakes are dropped and time out on the client side.
    for (int i = 0; i < 4; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const sockaddr_in addr = LoopbackAddress(FPort);
        connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
        FFillers.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TBlackholePort::~TBlackholePort() {
    for (int fd : FFillers)
        close(fd);
    close(FListenFd);
}

} // namespace tarrow::test
