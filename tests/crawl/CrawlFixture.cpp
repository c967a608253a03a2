#include "tests/crawl/CrawlFixture.h"

#include <QDirIterator>

namespace tarrow::test {

static QStringList Walk(const QString& AFolder, QDir::Filters AFilters) {
    QStringList result;
    QDirIterator it(AFolder, AFilters | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        result.append(QDir(AFolder).relativeFilePath(it.next()));
    result.sort();
    return result;
}

QMap<QString, QByteArray> FilesOfCopy(const QString& AOutDir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(AOutDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(AOutDir).relativeFilePath(path);
        if (relative.startsWith(QStringLiteral("Blog/.tarrow/")))
            continue;
        QFile file(path);
        files[relative] = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
    }
    return files;
}

QStringList CrawlTest::Tree() const {
    return Walk(FOutDir, QDir::Files);
}

QStringList CrawlTest::RootEntries() const {
    QStringList entries = Walk(FRoot.path(), QDir::AllEntries);
    entries.erase(
        std::remove_if(entries.begin(), entries.end(),
                       [](const QString& e) { return e.startsWith(QStringLiteral("out/")); }),
        entries.end());
    return entries;
}

} // namespace tarrow::test
