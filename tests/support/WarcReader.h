#pragma once
// The records of a WARC file as an independent reader sees them: tests/support/warc_read.py, in
// Python's standard library only, checks every gzip member, record head and digest and prints the
// records as JSON. A target that includes this defines TARROW_PYTHON3 (empty when there is no
// Python 3) and TARROW_WARC_READER.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

namespace tarrow::test {

inline bool HaveWarcReader() {
    return !QByteArrayView(TARROW_PYTHON3).isEmpty();
}

// Fails the test when the reader refuses the file.
inline QList<QJsonObject> ReadWarc(const QString& APath) {
    QProcess reader;
    reader.start(QString::fromUtf8(TARROW_PYTHON3), {QString::fromUtf8(TARROW_WARC_READER), APath});
    EXPECT_TRUE(reader.waitForFinished(120000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    QList<QJsonObject> records;
    for (const QJsonValue& record : QJsonDocument::fromJson(reader.readAllStandardOutput()).array())
        records.append(record.toObject());
    return records;
}

// A record's HTTP payload (its block after the HTTP head).
inline QByteArray WarcPayload(const QJsonObject& ARecord) {
    return QByteArray::fromBase64(ARecord.value(u"payload").toString().toLatin1());
}

} // namespace tarrow::test
