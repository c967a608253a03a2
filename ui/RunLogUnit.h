#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class QPlainTextEdit;

namespace tarrow {

// The run log on the log page. Lines are taken one by one, in order, as the worker hands them
// over, and appended in batches a few times a second: a fast run would otherwise lay the page
// out and paint it once per line. The newest line is brought into view with each batch.
class TRunLog final : public QObject {
public:
    explicit TRunLog(QPlainTextEdit* AMemo);

    // Empty lines are ignored.
    void Add(const QString& AMsg);
    // Appends what was taken so far.
    void Flush();
    // Empties the page and forgets what was not shown yet.
    void Clear();

private:
    QPlainTextEdit* FMemo;
    QStringList FPending;
    QTimer FFlushTimer;
};

} // namespace tarrow
