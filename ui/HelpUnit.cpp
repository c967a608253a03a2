#include "ui/HelpUnit.h"

#include <QDir>
#include <QFileInfo>

namespace tarrow {

namespace {

// The README's heading of the desktop program, as an anchor.
const char* const ReadmeSection = "desktop-program";

} // namespace

QUrl ManualURL(const QString& AProgramDir, const QString& AHomePage) {
    // The installed layout: bin/tarrow beside share/.
    const QDir share(QDir(AProgramDir).absoluteFilePath(QStringLiteral("../share")));
    const QString html = share.absoluteFilePath(QStringLiteral("doc/tarrow/html/index.html"));
    if (QFileInfo::exists(html))
        return QUrl::fromLocalFile(QDir::cleanPath(html));
    for (const char* page : {"man/man1/tarrow.1", "man/man1/tarrow.1.gz"})
        if (QFileInfo::exists(share.absoluteFilePath(QString::fromLatin1(page))))
            return QUrl(QStringLiteral("man:tarrow(1)"));
    if (!AHomePage.isEmpty()) {
        QUrl url(AHomePage);
        url.setFragment(QString::fromLatin1(ReadmeSection));
        return url;
    }
    const QString readme = share.absoluteFilePath(QStringLiteral("doc/tarrow/README.md"));
    if (QFileInfo::exists(readme))
        return QUrl::fromLocalFile(QDir::cleanPath(readme));
    return QUrl();
}

} // namespace tarrow
