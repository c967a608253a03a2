#pragma once
// Loopback sockets for the test servers: an accepted connection (plain or TLS) and a listener that
// serves each accepted connection on its own thread. Linux only; 127.0.0.1 only.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace tarrow::test {

// One accepted (or outgoing) socket; TLS when made with a context.
class TConnection final {
public:
    TConnection(int AFd, SSL_CTX* ATLSContext);
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    int Fd() const { return FFd; }
    const QByteArray& PeerAddress() const { return FPeer; }
    // Runs the TLS server handshake; true at once for plain connections.
    bool Handshake();
    // Bytes read (> 0), 0 when the peer closed, < 0 on an error.
    qsizetype Read(char* ABuffer, qsizetype ASize);
    bool Write(QByteArrayView AData);
    // Waits up to AMs for data or a close from the peer.
    bool WaitReadable(int AMs);

private:
    int FFd;
    SSL* FSSL = nullptr;
    QByteArray FPeer;
};

// A socket connected to 127.0.0.1:APort, or -1.
int ConnectLoopback(quint16 APort);
// A port on 127.0.0.1 on which nothing listens: connecting to it is refused.
quint16 RefusedPort();

// Listens on 127.0.0.1 at an ephemeral port and calls Serve for each accepted connection on a
// thread of its own. Stop closes everything and joins the threads; a derived class calls Stop in
// its destructor, before its own members go.
class TLoopbackListener {
public:
    virtual ~TLoopbackListener();
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    quint16 Port() const { return FPort; }
    // Connections accepted so far.
    int ConnectionCount() const { return FConnections.load(); }
    void Stop();

protected:
    explicit TLoopbackListener(SSL_CTX* ATLSContext = nullptr);
    void Start();
    // AIndex counts the accepted connections from 0.
    virtual void Serve(TConnection& AConnection, int AIndex) = 0;
    bool Stopping() const { return FStopping.load(); }
    // Sleeps AMs; false when the listener began to stop meanwhile.
    bool SleepMs(int AMs);
    // Sockets in this set are shut down by Stop, so blocked reads return.
    void Track(int AFd);
    void Untrack(int AFd);

private:
    void AcceptLoop();

    SSL_CTX* FTLSContext;
    int FListenFd = -1;
    quint16 FPort = 0;
    std::atomic<bool> FStopping{false};
    std::atomic<int> FConnections{0};
    std::thread FAcceptThread;
    std::mutex FLock;
    std::condition_variable FWake;
    std::vector<std::thread> FThreads;
    std::set<int> FTracked;
};

// A port whose connections never complete: the listen queue is full and new connection attempts
// are dropped, so a client meets its connect time-out.
class TBlackholePort final {
public:
    TBlackholePort();
    ~TBlackholePort();
    TBlackholePort(const TBlackholePort&) = delete;
    TBlackholePort& operator=(const TBlackholePort&) = delete;
    quint16 Port() const { return FPort; }

private:
    int FListenFd = -1;
    std::vector<int> FFillers;
    quint16 FPort = 0;
};

} // namespace tarrow::test
