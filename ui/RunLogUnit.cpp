#include "ui/RunLogUnit.h"

#include "ui/ShellUnit.h"
#include "ui/TarrowFormUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>

namespace tarrow {

namespace {

// The log page's texts are the main window's.
struct TTexts {
    Q_DECLARE_TR_FUNCTIONS(tarrow::TTarrowMainForm)
};

} // namespace

QString SuggestedLogName(const QDateTime& ATime) {
    return ATime.toString(QStringLiteral("'tarrow-'yyyy-MM-dd-HHmm'.log'"));
}

TRunLog::TRunLog(QPlainTextEdit* AMemo) : QObject(AMemo), FMemo(AMemo) {
    FFlushTimer.setSingleShot(true);
    FFlushTimer.setInterval(40);
    connect(&FFlushTimer, &QTimer::timeout, this, &TRunLog::Flush);
    FSaveLogAction = new QAction(TTexts::tr("Save Log..."), this);
    FSaveLogAction->setObjectName(QStringLiteral("SaveLogAction"));
    FSaveLogAction->setShortcut(QKeySequence::Save);
    connect(FSaveLogAction, &QAction::triggered, this, &TRunLog::SaveLog);
    AMemo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    AMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(AMemo, &QWidget::customContextMenuRequested, this, [this](const QPoint& APos) {
        QMenu* menu = CreateContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(FMemo->viewport()->mapToGlobal(APos));
    });
}

QMenu* TRunLog::CreateContextMenu() const {
    QMenu* menu = FMemo->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(FSaveLogAction);
    return menu;
}

void TRunLog::SaveLog() {
    Flush();
    const QString fileName = ChooseSaveFile(FMemo->window(), TTexts::tr("Save Log"),
                                            SuggestedLogName(QDateTime::currentDateTime()));
    if (fileName.isEmpty())
        return;
    QSaveFile file(fileName);
    const QByteArray text = (FMemo->toPlainText() + u'\n').toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        ShowError(FMemo->window(),
                  TTexts::tr("Cannot write \"%1\": %2").arg(fileName, file.errorString()));
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
    QScrollBar* bar = FMemo->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();
    const int kept = bar->value();
    FMemo->appendPlainText(FPending.join(u'\n'));
    FPending.clear();
    bar->setValue(follow ? bar->maximum() : kept);
}

void TRunLog::Clear() {
    FFlushTimer.stop();
    FPending.clear();
    FMemo->clear();
}

} // namespace tarrow
