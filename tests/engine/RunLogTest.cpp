#include "base/uExceptions.h"
#include "base/uRunContext.h"
#include "engine/LogSinksUnit.h"
#include "engine/uFetchOutcome.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace tarrow;

namespace {

// Runs ABody on a thread of its own while this thread's event loop serves hand-overs.
void RunOnWorker(const std::function<void()>& ABody) {
    std::unique_ptr<QThread> thread(QThread::create(ABody));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
}

TEST(RunLog, ExceptionLines) {
    struct Row {
        const char* In;
        const char* Out;
    };
    const Row rows[] = {
        {"Connection refused", "Connection refused."},
        {"HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found."},
        {"Done.", "Done."},
        {"Ends with a blank ", "Ends with a blank "},
        {"Line\r\n", "Line"},
        {"Two\r\nlines", "Two\r\nlines."},
        {"Dot alone\r\n.", "Dot alone"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.In);
        EXPECT_EQ(TRunContext::FormatExceptionLine(QString::fromUtf8(row.In)),
                  QString::fromUtf8(row.Out));
    }
    const QString longText(5000, u'x');
    EXPECT_EQ(TRunContext::FormatExceptionLine(longText), QString(1023, u'x'));
    const QString pairAtCut = QString(1022, u'x') + QChar(0xD83D) + QChar(0xDE00);
    EXPECT_EQ(TRunContext::FormatExceptionLine(pairAtCut), QString(1022, u'x'));
}

TEST(RunLog, LogsInOrderDropsNothingAndNamesMessagelessErrors) {
    TMemoryLogSink sink;
    const TRunContext t(&sink);
    t.Log(QStringLiteral("one"));
    t.Log(QString());
    t.Log(QStringLiteral("Redirect to: /x"));
    t.LogException(EConvertError(QString()));
    t.LogException(std::runtime_error("plain"));
    for (int i = 0; i < 1000; ++i)
        t.Log(QString::number(i));
    const QStringList lines = sink.Lines();
    ASSERT_EQ(lines.size(), 4 + 1000);
    EXPECT_EQ(lines[0], QStringLiteral("one"));
    EXPECT_EQ(lines[1], QStringLiteral("Redirect to: /x"));
    EXPECT_EQ(lines[2], QStringLiteral("EConvertError."));
    EXPECT_EQ(lines[3], QStringLiteral("plain."));
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(lines[4 + i], QString::number(i));
}

TEST(RunLog, EveryLoggedLineHasItsControlCharactersEscaped) {
    TMemoryLogSink sink;
    const TRunContext t(&sink);
    t.Log(QStringLiteral("Downloading [ 1 / 1 ]: http://h/a\nSaving: /etc/FORGED.png"));
    t.Log(QStringLiteral("Redirect to: /x\x1b[2J"));
    // Trailing line breaks are dropped; inner ones stay in the one entry, escaped.
    t.LogException(std::runtime_error("Rule 1:\r\nmissing )\r\n"));
    EXPECT_EQ(
        sink.Lines(),
        (QStringList{QStringLiteral("Downloading [ 1 / 1 ]: http://h/a%0ASaving: /etc/FORGED.png"),
                     QStringLiteral("Redirect to: /x%1B[2J"),
                     QStringLiteral("Rule 1:%0D%0Amissing )")}));
}

TEST(RunLog, URLPasswordsAreHiddenInEveryLine) {
    const struct {
        const char* In;
        const char* Out;
    } rows[] = {
        {"Downloading [ 1 / 2 ]: http://user:pw@h/a", "Downloading [ 1 / 2 ]: http://user:***@h/a"},
        {"Redirect to: HTTPS://u:p%40ss@h:81?x=a:b@c", "Redirect to: HTTPS://u:***@h:81?x=a:b@c"},
        {"http://u:a@b@h/ and socks5://v:w@[::1]:1080",
         "http://u:***@h/ and socks5://v:***@[::1]:1080"},
        // Nothing to hide: no password, an empty one, an "@" only after the host, no URL.
        {"http://user@h/ http://user:@h/ http://h/p:q@r", nullptr},
        {"Project \"a:b@c\"... ://x:y", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.In);
        const QString in = QString::fromUtf8(row.In);
        EXPECT_EQ(HideURLPasswords(in), row.Out ? QString::fromUtf8(row.Out) : in);
    }
    TMemoryLogSink sink;
    const TRunContext t(&sink);
    t.Log(QStringLiteral("Downloading [ 1 / 1 ]: http://me:secret@h/"));
    t.LogException(std::runtime_error("Cannot connect to http://me:secret@h/"));
    EXPECT_EQ(sink.Lines(), (QStringList{QStringLiteral("Downloading [ 1 / 1 ]: http://me:***@h/"),
                                         QStringLiteral("Cannot connect to http://me:***@h/.")}));
}

// The heads of -v: one line each after the prefix, the closing empty line left out, credentials
// and cookie values masked whatever the letter case, everything else as sent.
TEST(RunLog, WireHeadLinesMaskCredentialsAndCookies) {
    const struct {
        const char* In;
        const char* Out;
    } rows[] = {
        {"GET /a?b=c:d HTTP/1.1", nullptr},
        {"authorization: Bearer abc.def", "authorization: Bearer ***"},
        {"Proxy-Authorization: Basic dTpw", "Proxy-Authorization: Basic ***"},
        {"Authorization: token", "Authorization: ***"},
        {"Cookie: a=1; b=2", "Cookie: a=***; b=***"},
        {"Set-Cookie: sid=x; Path=/; HttpOnly", "Set-Cookie: sid=***; Path=/; HttpOnly"},
        {"Location: http://u:pw@h/next", "Location: http://u:***@h/next"},
        {"X-Cookie-Note: a=1", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.In);
        const QByteArray head = QByteArray(row.In) + "\r\n\r\n";
        EXPECT_EQ(
            WireHeadLines(head, QLatin1String("> ")),
            QStringList(QStringLiteral("> ") + QString::fromUtf8(row.Out ? row.Out : row.In)));
    }
    EXPECT_EQ(WireHeadLines("HTTP/1.1 200 OK\r\nA: 1\r\n\r\n", QLatin1String("< ")),
              (QStringList{QStringLiteral("< HTTP/1.1 200 OK"), QStringLiteral("< A: 1")}));
    EXPECT_TRUE(WireHeadLines(QByteArray(), QLatin1String("< ")).isEmpty());
}

TEST(RunLog, HandOverBlocksUntilTheReceiverRan) {
    THandOverLogSink sink; // lives on this (the test's main) thread
    QStringList received;
    QObject::connect(&sink, &THandOverLogSink::MsgLogged, &sink,
                     [&received](const QString& m) { received.append(m); });
    QList<qsizetype> seenByWorker;
    RunOnWorker([&] {
        const TRunContext t(&sink);
        for (int i = 0; i < 200; ++i) {
            t.Log(QString::number(i));
            // The line was appended on the main thread before Log returned.
            seenByWorker.append(received.size());
        }
    });
    ASSERT_EQ(received.size(), 200);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(received[i], QString::number(i));
        ASSERT_EQ(seenByWorker[i], i + 1);
    }
    // Called on the sink's own thread, the line is handed over directly.
    sink.LogMsg(QStringLiteral("direct"));
    EXPECT_EQ(received.back(), QStringLiteral("direct"));
}

} // namespace
