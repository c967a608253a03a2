#include "http/uHTTPGetSteps.h"

#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "http/LibSSLUnit.h"

namespace tarrow {

THTTPGetSteps::THTTPGetSteps(const THTTPRequestSettings& ASettings, const QString& AURL,
                             const QString& AReferer, bool AUpdateReferer, bool ADecode,
                             int AMaxRedirects, int ATimeoutRetries)
    : FSettings(ASettings), FURL(AURL), FReferer(AReferer), FUpdateReferer(AUpdateReferer),
      FDecode(ADecode), FMaxRedirects(AMaxRedirects), FTimeoutRetries(ATimeoutRetries) {}

THTTPGetSteps::TRequest THTTPGetSteps::Next() {
    QString url = NormalizeURL(FURL);
    if (!url.isEmpty() && !url.contains(u"://"))
        url = ExpandRefererURL(url, FReferer);
    TRequest request{
        url, EncodeRequestURL(url),
        RequestHeaders(FDecode, FReferer, FSettings.CustomCookie, FSettings.ExtraHeaders)};
    FSentReferer = FReferer;
    FConditional = false;
    if (!FRedirected && FSettings.ConditionalHeaders) {
        const QList<QByteArray> validators = FSettings.ConditionalHeaders(url);
        FConditional = !validators.isEmpty();
        request.Headers.append(validators);
    }
    if (FUpdateReferer)
        FReferer = RemoveURLFragment(url);
    FURL = url;
    FCurURL = url;
    ++FRequests;
    return request;
}

void THTTPGetSteps::CheckSendable(const TRequest& ARequest) {
    if (AsciiStartsText(ARequest.URL, u"https:") && !IsSSLLibraryAvailable())
        throw ETransportError(TTransportFault::tfTLSUnavailable, SSLLibraryMissingMessage());
}

THTTPGetSteps::TStep THTTPGetSteps::OnReply(const TReplyInfo& AReply, const QByteArray& AReceived,
                                            QByteArray& ABody, qsizetype AOutStart) {
    if (AReply.Code >= 200 && AReply.Code <= 299) {
        try {
            FType = FinishResponse(FCurURL, AReply, FDecode, AReceived, ABody, AOutStart,
                                   FSettings.MaxDecodedSize);
        } catch (const ETransportError& E) {
            return OnTransportError(E);
        }
        return TStep::stFinished;
    }
    // Only an answer to validators means "keep your copy"; any other 304 fails below.
    if (AReply.Code == 304 && FConditional) {
        FType = TResponseType();
        FNotModified = true;
        return TStep::stFinished;
    }
    // A redirect without a Location cannot be followed: it fails like any other reply.
    if (FRequests <= FMaxRedirects && IsRedirectReply(AReply.Code) && !AReply.Location.isEmpty()) {
        FLocation = AReply.Location;
        FURL = AReply.Location;
        FRedirected = true;
        FRetries = 0;
        return TStep::stRedirected;
    }
    const int retryAfter =
        AReply.Code == 429 || AReply.Code == 503
            ? RetryAfterSeconds(AReply.RetryAfter, QDateTime::currentDateTimeUtc())
            : -1;
    if (AReply.StatusLine.isEmpty())
        throw EHTTPProtocolError(AReply.Code, QStringLiteral("Reply Error # %1").arg(AReply.Code),
                                 retryAfter);
    throw EHTTPProtocolError(AReply.Code, AReply.StatusLine, retryAfter);
}

THTTPGetSteps::TStep THTTPGetSteps::OnTransportError(const ETransportError& E) {
    // A time-out retry counts as one of the GET's requests, as a redirect does.
    if (IsRetryableError(E) && ++FRetries <= FTimeoutRetries && FRequests <= FMaxRedirects) {
        FReferer = FSentReferer;
        return TStep::stRetry;
    }
    throw E;
}

} // namespace tarrow
