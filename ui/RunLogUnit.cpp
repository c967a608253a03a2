#include "ui/RunLogUnit.h"

#include <QPlainTextEdit>
#include <QScrollBar>

namespace tarrow {

TRunLog::TRunLog(QPlainTextEdit* AMemo) : QObject(AMemo), FMemo(AMemo) {
    FFlushTimer.setSingleShot(true);
    FFlushTimer.setInterval(40);
    connect(&FFlushTimer, &QTimer::timeout, this, &TRunLog::Flush);
}

void TRunLog::Add(const QString& AMsg) {
    if (AMsg.isEmpty())
        return;
    FPending.append(AMsg);
    if (!FFlushTimer.isActive())
        FFlushTimer.start();
}

void TRunLog::Flush() {
    FFlushTimer.stop();
    if (FPending.isEmpty())
        return;
    FMemo->appendPlainText(FPending.join(u'\n'));
    FPending.clear();
    // The newest line in view, also when the user had scrolled up.
    QScrollBar* bar = FMemo->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TRunLog::Clear() {
    FFlushTimer.stop();
    FPending.clear();
    FMemo->clear();
}

} // namespace tarrow
