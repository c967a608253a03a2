#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace tarrow {

// True when a field at ARect comes before one at AOther in reading order: it lies wholly above
// it, or the two share some height and it starts further left.
bool TabBefore(const QRect& ARect, const QRect& AOther);

// The widgets that Tab visits in AWindow, in focus-chain order, with their places in the window.
QList<QWidget*> TabChain(QWidget* AWindow);
QRect WindowRect(const QWidget* AWidget, const QWidget* AWindow);

// Orders Tab through the window's fields top to bottom, left to right, by where the layout put
// them (call once the layout has placed them).
void SortTabOrder(QWidget* AWindow);

} // namespace tarrow
