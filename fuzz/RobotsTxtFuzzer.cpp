// The robots.txt reader on any text: it never crashes, stays cheap on hostile patterns, always
// allows the robots file itself, and a path it is asked about is allowed or not by the rules of
// the file as the crawler's group gives them, whatever else the file holds.
#include "engine/uRobotsTxt.h"
#include "fuzz/FuzzSupport.h"

using namespace tarrow;
using namespace tarrow::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QByteArrayView input(reinterpret_cast<const char*>(AData),
                               qsizetype(std::min<size_t>(ASize, 64 * 1024)));
    // The first line is the path asked about, the rest the file.
    const qsizetype newline = input.indexOf('\n');
    const QByteArrayView path = newline < 0 ? input : input.first(newline);
    const QByteArrayView text = newline < 0 ? QByteArrayView() : input.sliced(newline + 1);
    const QString url = QStringLiteral("http://site") + QString::fromUtf8(path);

    const TRobotsRules rules = TRobotsRules::Parse(text, "Tarrow");
    FUZZ_CHECK(rules.IsAllowed(QStringLiteral("http://site/robots.txt")), url);
    FUZZ_CHECK(rules.CrawlDelayMs() >= 0, url);
    const bool allowed = rules.IsAllowed(url);

    // Lines for other crawlers change nothing for this one.
    QByteArray padded = "User-agent: someone-else\nDisallow: /\nCrawl-delay: 5\n\n";
    padded += text;
    const TRobotsRules again = TRobotsRules::Parse(padded, "Tarrow");
    if (text.size() + padded.size() <= TRobotsRules::kMaxBytes && text.startsWith("User-agent:"))
        FUZZ_CHECK(again.IsAllowed(url) == allowed, url);
    FUZZ_CHECK(!TRobotsRules::DisallowAll().IsAllowed(QStringLiteral("http://site/x")), url);
    return 0;
}
