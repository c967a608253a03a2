#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class QAction;
class QDateTime;
class QMenu;
class QPlainTextEdit;

namespace tarrow {

// The file name the save chooser proposes for a log saved at ATime: tarrow-YYYY-MM-DD-HHMM.log.
QString SuggestedLogName(const QDateTime& ATime);

// The run log on the log page. Lines are taken one by one, in order, as the worker hands them
// over, and appended in batches a few times a second: a fast run would otherwise lay the page
// out and paint it once per line. A batch brings the newest line into view only while the page
// was scrolled to the bottom: a user reading further up keeps the place. The page's context menu
// adds "Save Log..." to the usual copy and select commands.
class TRunLog final : public QObject {
public:
    explicit TRunLog(QPlainTextEdit* AMemo);

    // Empty lines are ignored.
    void Add(const QString& AMsg);
    // Appends what was taken so far.
    void Flush();
    // Empties the page and forgets what was not shown yet.
    void Clear();
    // The page's context menu (the caller owns it).
    QMenu* CreateContextMenu() const;
    QAction* SaveLogAction() const { return FSaveLogAction; }
    // Asks for a file and writes the log's text to it; errors are shown.
    void SaveLog();

private:
    QPlainTextEdit* FMemo;
    QStringList FPending;
    QTimer FFlushTimer;
    QAction* FSaveLogAction;
};

} // namespace tarrow
