#pragma once

#include <QString>
#include <QVariant>

class QHeaderView;
class QWidget;

namespace tarrow {

// The program's own state file, apart from the settings file: "state.ini" under
// $XDG_STATE_HOME/Tarrow/ (~/.local/state/Tarrow/ when the variable is unset or empty).
QString StateFilePath();

// Puts the window back where and as large as it was, and the list's column widths; nothing
// happens when no state was saved. Never touches the settings file.
void RestoreWindowState(QWidget* AWindow, QHeaderView* AHeader);
// Remembers the window's place and size and the list's column widths.
void SaveWindowState(const QWidget* AWindow, const QHeaderView* AHeader);
// One more value of a window's state (the selected project, the open page); invalid when none
// was saved.
QVariant WindowStateValue(const QWidget* AWindow, const char* AWhat);
void SetWindowStateValue(const QWidget* AWindow, const char* AWhat, const QVariant& AValue);

} // namespace tarrow
