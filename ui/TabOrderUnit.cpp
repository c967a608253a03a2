#include "ui/TabOrderUnit.h"

#include <QAbstractScrollArea>
#include <QLayout>
#include <QTabWidget>
#include <QWidget>

namespace tarrow {

bool TabBefore(const QRect& ARect, const QRect& AOther) {
    if (ARect.bottom() < AOther.top())
        return true;
    if (AOther.bottom() < ARect.top())
        return false;
    return ARect.left() < AOther.left();
}

QRect WindowRect(const QWidget* AWidget, const QWidget* AWindow) {
    return QRect(AWidget->mapTo(AWindow, QPoint(0, 0)), AWidget->size());
}

QList<QWidget*> TabChain(QWidget* AWindow) {
    QList<QWidget*> chain;
    for (QWidget* w = AWindow->nextInFocusChain(); w && w != AWindow; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->window() == AWindow)
            chain.append(w);
    return chain;
}

namespace {

// Places every widget, also those on tab pages not shown yet (they take the shown page's place).
void PlaceEverything(QWidget* AWindow) {
    for (int pass = 0; pass < 2; ++pass) {
        if (AWindow->layout())
            AWindow->layout()->activate();
        for (QTabWidget* tab : AWindow->findChildren<QTabWidget*>())
            for (int i = 0; i < tab->count(); ++i)
                if (tab->currentWidget())
                    tab->widget(i)->setGeometry(tab->currentWidget()->geometry());
        for (QWidget* widget : AWindow->findChildren<QWidget*>())
            if (widget->layout())
                widget->layout()->activate();
    }
}

// The scroll areas around a widget, outermost first, the window's own parents left out.
QList<const QWidget*> ScrollAreasOf(const QWidget* AWidget, const QWidget* AWindow) {
    QList<const QWidget*> areas;
    for (const QWidget* w = AWidget->parentWidget(); w && w != AWindow; w = w->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(w))
            areas.prepend(w);
    return areas;
}

// Fields inside a scroll area keep their order among themselves and take the scroll area's place
// among the rest: rows scrolled out of its view would otherwise sort among the fields below it.
bool FieldBefore(const QWidget* AField, const QWidget* AOther, const QWidget* AWindow) {
    const QList<const QWidget*> areas = ScrollAreasOf(AField, AWindow);
    const QList<const QWidget*> otherAreas = ScrollAreasOf(AOther, AWindow);
    qsizetype common = 0;
    while (common < areas.size() && common < otherAreas.size() &&
           areas[common] == otherAreas[common])
        ++common;
    const QWidget* field = common < areas.size() ? areas[common] : AField;
    const QWidget* other = common < otherAreas.size() ? otherAreas[common] : AOther;
    if (field == AOther) // the scroll area that holds AField
        return false;
    if (other == AField)
        return true;
    return TabBefore(WindowRect(field, AWindow), WindowRect(other, AWindow));
}

} // namespace

void SortTabOrder(QWidget* AWindow) {
    PlaceEverything(AWindow);
    QList<QWidget*> rest = TabChain(AWindow);
    QList<QWidget*> order;
    while (!rest.isEmpty()) {
        // The first field that no other remaining field precedes.
        qsizetype pick = 0;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            bool first = true;
            for (qsizetype j = 0; j < rest.size() && first; ++j)
                first = j == i || !FieldBefore(rest[j], rest[i], AWindow);
            if (first) {
                pick = i;
                break;
            }
        }
        order.append(rest.takeAt(pick));
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace tarrow
