#pragma once

#include "http/HTTPClientUnit.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace tarrow {

// One GET as a sequence of requests, written once for both drivers (the one-at-a-time client and
// the parallel pool), the way a blocking transfer is a loop over a non-blocking one. The driver
// sends what Next gives and hands back the reply (OnReply) or the transport failure
// (OnTransportError); each says what comes next. URL normalising, the referer chain, the request
// headers, the TLS rule, the redirect limit, time-out retries and the reply-error failure live
// here; connections, pauses and events stay with the driver.
class THTTPGetSteps final {
public:
    struct TRequest {
        QString URL; // normalised and resolved against the referer
        QByteArray WireURL;
        QList<QByteArray> Headers;
    };
    enum class TStep {
        stFinished,   // the body is complete: Type() tells what it is, or NotModified()
        stRedirected, // report Location(), pause, then send Next()
        stRetry,      // pause, then send Next() again
    };

    // AReferer starts the referer chain; with AUpdateReferer each request becomes the referer of
    // the next, else every request names AReferer. ADecode receives bodies into a buffer of the
    // driver's and decodes them when complete.
    THTTPGetSteps(const THTTPRequestSettings& ASettings, const QString& AURL,
                  const QString& AReferer, bool AUpdateReferer, bool ADecode, int AMaxRedirects,
                  int ATimeoutRetries);

    // The request to send next; the referer chain moves on to it.
    TRequest Next();
    // Raises the error of a request that cannot be sent: HTTPS without a TLS library.
    static void CheckSendable(const TRequest& ARequest);
    // The final reply of the latest request. Its body went to AReceived when decoding, else to
    // ABody from AOutStart on; a finished body is in ABody from AOutStart on. Raises the reply's
    // EHTTPProtocolError when it is neither a success nor a redirect to follow, and the transport
    // error of a body cut short when no retry is left.
    TStep OnReply(const TReplyInfo& AReply, const QByteArray& AReceived, QByteArray& ABody,
                  qsizetype AOutStart);
    // A transport failure of the latest request: a retry when it is a time-out retry's kind and
    // requests are left, else raised again.
    TStep OnTransportError(const ETransportError& E);

    bool Decode() const { return FDecode; }
    // The pause before a redirect or a retry is sent.
    int PauseMs() const { return FSettings.RetryPauseMs; }
    const QString& CurURL() const { return FCurURL; }
    const QString& Referer() const { return FReferer; }
    // The latest redirect followed, as received.
    const QString& Location() const { return FLocation; }
    const TResponseType& Type() const { return FType; }
    // The GET's conditional request was answered "304 Not Modified": finished without a body.
    bool NotModified() const { return FNotModified; }

private:
    THTTPRequestSettings FSettings;
    QString FURL; // of the next request: the GET's URL, then each redirect's Location
    QString FReferer;
    QString FSentReferer; // of the latest request: a retry of it names the same page
    QString FCurURL;
    QString FLocation;
    TResponseType FType;
    bool FUpdateReferer;
    bool FDecode;
    bool FRedirected = false;  // only the GET's own URL is asked for conditionally
    bool FConditional = false; // the latest request carried validators
    bool FNotModified = false;
    int FMaxRedirects;
    int FTimeoutRetries;
    int FRequests = 0; // sent so far: redirects and time-out retries count alike
    int FRetries = 0;  // time-out retries since the latest redirect
};

} // namespace tarrow
