#pragma once

#include "base/uRunContext.h"
#include "http/uCurlEasy.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <exception>

namespace tarrow {

// What fetching one table entry left.
struct TFetched {
    bool Succeeded = false; // a 2xx reply with a body
    QByteArray Body;
    QString ContentType;
    QString Charset;
    QString URL;      // the last request sent: after redirects, where the body came from
    QString Location; // the last redirect followed by the final attempt, as received
    // Of the final reply.
    QString ContentDisposition;
    QString ETag;
    QString LastModified;
    bool NotModified = false; // the conditional request's "304 Not Modified": no body
};

// A fetch as the crawl reports it, whichever way it was fetched: the log lines of its redirects,
// failed attempts and retries, in order, the counts it adds to, and its result. Both ways of
// fetching fill it through the steps below, so they follow one set of rules.
struct TFetchOutcome {
    QStringList Lines;
    bool Empty = false;
    bool Failed = false;
    int Attempts = 0;     // failed attempts so far
    int RetryPauseMs = 0; // before the next attempt, once an attempt failed and was not the last
    bool Replied = false; // some attempt had an HTTP reply (a redirect, an error status, a body)
    bool NoReply = false; // it failed, and its last attempt had no HTTP reply
    TFetched Fetched;

    // A transfer ended: its request head as "> " lines and its reply head as "< " lines.
    void Exchanged(const TWireHeads& AHeads);
    // A redirect was followed (the client's own "Redirect to: " line).
    void Redirected(const QString& ALocation);
    // An attempt failed: its line is noted and, unless it was the last, the retry line; true when
    // it was the last, so the fetch failed.
    bool AttemptFailed(const std::exception& E, const TRunContext& AContext);
    // The final reply arrived; an empty body is counted as empty, not as a success.
    void Received(QByteArray&& ABody);
    // The final reply was "304 Not Modified": neither empty nor a body.
    void Unchanged();
};

// The log lines of a head, each line after APrefix ("> " or "< "), without the empty line that
// ends it; the credentials of Authorization and Proxy-Authorization, the values of Cookie and
// Set-Cookie and URL passwords are masked as the log masks URL passwords.
QStringList WireHeadLines(const QByteArray& AHead, QLatin1String APrefix);

// The crawl's rule for a failed attempt (counted from 0): whether it was the last one, and the line
// logged before the next.
bool IsLastAttempt(int AAttempt, const std::exception& E, const TRunContext& AContext);
// The wait a failed attempt's reply asked for (seconds, capped), when the project honours it; -1
// when it asked for none.
int RetryAfterWait(const std::exception& E, const TRunContext& AContext);
// "Retry #n...", or "Retry #n in S s..." when the server asked for a wait of S seconds.
QString RetryLine(int AAttempt, int ARetryAfterSec = -1);

} // namespace tarrow
