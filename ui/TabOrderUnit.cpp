#include "ui/TabOrderUnit.h"

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

} // namespace

void SortTabOrder(QWidget* AWindow) {
    PlaceEverything(AWindow);
    QList<QWidget*> rest = TabChain(AWindow);
    QList<QWidget*> order;
    while (!rest.isEmpty()) {
        // The first field that no other remaining field precedes.
        qsizetype pick = 0;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            const QRect rect = WindowRect(rest[i], AWindow);
            bool first = true;
            for (qsizetype j = 0; j < rest.size() && first; ++j)
                first = j == i || !TabBefore(WindowRect(rest[j], AWindow), rect);
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
