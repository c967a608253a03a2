#include "ui/ListKeysUnit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace tarrow {

TProjectListKeyFilter::TProjectListKeyFilter(QAbstractItemView* AList, TProjectListKeys AKeys)
    : QObject(AList), FList(AList), FKeys(std::move(AKeys)) {
    AList->installEventFilter(this);
}

bool TProjectListKeyFilter::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched != FList || AEvent->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(AEvent);
    if (TypeAhead(*key))
        return key->key() == Qt::Key_Space; // the list searches the other keys itself
    return HandleKey(key->key(), key->modifiers() & ~Qt::KeypadModifier);
}

bool TProjectListKeyFilter::TypeAhead(const QKeyEvent& AKey) {
    const QString text = AKey.text();
    const bool typing = !text.isEmpty() && text.at(0).isPrint() &&
                        !(AKey.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    // The list's own search ends after the same pause.
    const bool underWay =
        FLastTyped.isValid() && FLastTyped.elapsed() < QApplication::keyboardInputInterval();
    if (!typing || (AKey.key() == Qt::Key_Space && !underWay)) {
        if (AKey.key() != Qt::Key_Shift)
            FLastTyped.invalidate();
        return false;
    }
    FLastTyped.start();
    if (AKey.key() == Qt::Key_Space)
        FList->keyboardSearch(text);
    return true;
}

bool TProjectListKeyFilter::HandleKey(int AKey, Qt::KeyboardModifiers AModifiers) {
    const QModelIndexList selected =
        FList->selectionModel() ? FList->selectionModel()->selectedRows() : QModelIndexList();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    const int rows = FList->model() ? FList->model()->rowCount() : 0;
    if (AModifiers == Qt::ControlModifier && (AKey == Qt::Key_Up || AKey == Qt::Key_Down)) {
        const int target = AKey == Qt::Key_Up ? row - 1 : row + 1;
        if (row >= 0 && target >= 0 && target < rows)
            FKeys.Move(row, target);
        return true;
    }
    if (AModifiers != Qt::NoModifier)
        return false;
    switch (AKey) {
    case Qt::Key_Space:
        // Every selected row once; with none selected, the current row.
        if (selected.isEmpty() && FList->currentIndex().isValid())
            FKeys.ToggleCheck(FList->currentIndex().row());
        for (const QModelIndex& index : selected)
            FKeys.ToggleCheck(index.row());
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        FKeys.Edit();
        return true;
    case Qt::Key_Delete:
        FKeys.Delete();
        return true;
    case Qt::Key_Insert:
        FKeys.Add();
        return true;
    default:
        return false;
    }
}

} // namespace tarrow
