#pragma once

#include <QKeySequence>
#include <QList>
#include <QSize>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tarrow {

// Small builders shared by the forms, which are laid out in code.

// A one-line field that takes text of any length (the toolkit's default cuts at 32767).
QLineEdit* NewEdit(QWidget* AParent, const QString& AName);
// A label that shows its text as plain text.
QLabel* NewLabel(const QString& AText, QWidget* AParent, const QString& AName = QString());
// The label of a field: the field's buddy, and the field's accessible name (without the colon).
QLabel* NewFieldLabel(const QString& AText, QWidget* AField);
// A label that looks and acts as a link (the palette's link colour, underlined, hand cursor);
// linkActivated fires.
QLabel* NewLinkLabel(const QString& AText, QWidget* AParent, const QString& AName);
QPushButton* NewButton(const QString& AText, QWidget* AParent, const QString& AName);
// A one-line description followed by the keys that run the command: "Adds a project (Ctrl+N)".
QString HintText(const QString& AText, const QList<QKeySequence>& AKeys = {});
// Gives a control HintText as its tooltip and AText as its What's This help.
void SetHint(QWidget* AWidget, const QString& AText, const QList<QKeySequence>& AKeys = {});

// A dialog of fixed size with only a close box in its title bar.
void SetFixedDialog(QWidget* AForm, int AClientWidth, int AClientHeight);
// Gives a window AWanted as its size where its screen has room for it, else as much as there is,
// and moves it wholly onto the screen.
void FitOnScreen(QWidget* AForm, QSize AWanted);
// Moves a window to the centre of the screen it is on.
void CenterOnScreen(QWidget* AForm);

} // namespace tarrow
