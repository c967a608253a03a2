// Sequential HTTPGet of one URL over one client (one kept-alive connection): prints the requests
// per second. bench/http_vs_curl.sh runs it beside the curl command line against nginx.
//   bench_http URL COUNT
#include "http/HTTPClientUnit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL COUNT\n", argv[0]);
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const long count = std::strtol(argv[2], nullptr, 10);
    tarrow::THTTPClient client(
        QStringLiteral("Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko"), {}, 60,
        60);
    QByteArray body;
    QString type;
    qint64 bytes = 0;
    try {
        client.HTTPGet(url, body, type); // connect before the clock starts
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < count; ++i) {
            body.clear();
            client.HTTPGet(url, body, type);
            bytes += body.size();
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("HTTPGet: %ld requests, %lld body bytes, %.3f s, %.0f requests/s\n", count,
                    static_cast<long long>(bytes), elapsed.count(),
                    double(count) / elapsed.count());
    } catch (const std::exception& E) {
        std::fprintf(stderr, "HTTPGet failed: %s\n", E.what());
        return 1;
    }
    return 0;
}
