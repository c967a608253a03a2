#include "ui/WindowStateUnit.h"

#include <QDir>
#include <QHeaderView>
#include <QSettings>
#include <QWidget>

namespace tarrow {

namespace {

QString Key(const QWidget* AWindow, const char* AWhat) {
    return AWindow->objectName() + u'/' + QLatin1String(AWhat);
}

} // namespace

QString StateFilePath() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Tarrow/state.ini");
}

void RestoreWindowState(QWidget* AWindow, QHeaderView* AHeader) {
    const QSettings state(StateFilePath(), QSettings::IniFormat);
    // restoreGeometry keeps the window on a screen that is there now.
    const QByteArray geometry = state.value(Key(AWindow, "geometry")).toByteArray();
    if (!geometry.isEmpty())
        AWindow->restoreGeometry(geometry);
    const QByteArray columns = state.value(Key(AWindow, "columns")).toByteArray();
    if (AHeader && !columns.isEmpty())
        AHeader->restoreState(columns);
}

void SaveWindowState(const QWidget* AWindow, const QHeaderView* AHeader) {
    QSettings state(StateFilePath(), QSettings::IniFormat);
    state.setValue(Key(AWindow, "geometry"), AWindow->saveGeometry());
    if (AHeader)
        state.setValue(Key(AWindow, "columns"), AHeader->saveState());
}

QVariant WindowStateValue(const QWidget* AWindow, const char* AWhat) {
    return QSettings(StateFilePath(), QSettings::IniFormat).value(Key(AWindow, AWhat));
}

void SetWindowStateValue(const QWidget* AWindow, const char* AWhat, const QVariant& AValue) {
    QSettings(StateFilePath(), QSettings::IniFormat).setValue(Key(AWindow, AWhat), AValue);
}

} // namespace tarrow
