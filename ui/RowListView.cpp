#include "ui/RowListView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

namespace tarrow {

namespace {

QString RowsFormat() {
    return QStringLiteral("application/x-tarrow-rows");
}

} // namespace

TRowListView::TRowListView(const QStringList& ACaptions, const QList<int>& AWidths,
                           bool AReorderable, QWidget* AParent)
    : QTreeWidget(AParent), FReorderable(AReorderable) {
    setColumnCount(int(ACaptions.size()));
    setHeaderLabels(ACaptions);
    for (int i = 0; i < AWidths.size(); ++i)
        setColumnWidth(i, AWidths[i]);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(AReorderable ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
    setDragEnabled(AReorderable);
    setAcceptDrops(AReorderable);
    setDropIndicatorShown(AReorderable);
    setDragDropOverwriteMode(true);
    setDragDropMode(AReorderable ? QAbstractItemView::DragDrop : QAbstractItemView::NoDragDrop);
}

void TRowListView::AddRow(const QString& AText1, const QString& AText2) {
    auto* item = new QTreeWidgetItem(QStringList{AText1, AText2});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
                   Qt::ItemNeverHasChildren);
    addTopLevelItem(item);
}

QString TRowListView::RowText(int ARow, int AColumn) const {
    const QTreeWidgetItem* item = topLevelItem(ARow);
    return item ? item->text(AColumn) : QString();
}

void TRowListView::SetRow(int ARow, const QString& AText1, const QString& AText2) {
    if (QTreeWidgetItem* item = topLevelItem(ARow)) {
        item->setText(0, AText1);
        item->setText(1, AText2);
    }
}

int TRowListView::FirstSelectedRow() const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            return i;
    return -1;
}

QTreeWidgetItem* TRowListView::FirstSelectedExcept(const QTreeWidgetItem* AItem) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (item != AItem && item->isSelected())
            return item;
    }
    return nullptr;
}

void TRowListView::DeleteSelectedRows() {
    for (int i = topLevelItemCount() - 1; i >= 0; --i)
        if (topLevelItem(i)->isSelected())
            delete takeTopLevelItem(i);
}

void TRowListView::MoveSelectedRows(int ATargetRow) {
    // The target is never one of the moved rows, so it is never removed under the loop.
    QTreeWidgetItem* target = nullptr;
    for (int i = ATargetRow; i >= 0 && i < topLevelItemCount(); ++i) {
        if (!topLevelItem(i)->isSelected()) {
            target = topLevelItem(i);
            break;
        }
    }
    QTreeWidgetItem* row = FirstSelectedExcept(nullptr);
    while (row) {
        QTreeWidgetItem* next = FirstSelectedExcept(row);
        const int at = target ? indexOfTopLevelItem(target) : topLevelItemCount();
        auto* copy = new QTreeWidgetItem(QStringList{row->text(0), row->text(1)});
        copy->setFlags(row->flags());
        insertTopLevelItem(at, copy);
        delete takeTopLevelItem(indexOfTopLevelItem(row));
        row = next;
    }
    Q_EMIT itemSelectionChanged();
}

void TRowListView::MoveSelectedRowsBy(int ADelta) {
    QList<int> rows;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected())
            rows.append(i);
    if (!FReorderable || rows.isEmpty())
        return;
    // Up: before the row above the first moved one; down: before the row after the one below
    // the last moved one (the end when there is none).
    if (ADelta < 0 ? rows.first() == 0 : rows.last() == topLevelItemCount() - 1)
        return;
    const int target = ADelta < 0 ? rows.first() - 1 : rows.last() + 2;
    QTreeWidgetItem* before = topLevelItem(target);
    MoveSelectedRows(before ? target : -1);
    const int end = before ? indexOfTopLevelItem(before) : topLevelItemCount();
    for (int i = end - int(rows.size()); i < end; ++i)
        topLevelItem(i)->setSelected(true);
    setCurrentItem(topLevelItem(end - 1), 0, QItemSelectionModel::NoUpdate);
}

void TRowListView::keyPressEvent(QKeyEvent* AEvent) {
    const Qt::KeyboardModifiers mods = AEvent->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier &&
        (AEvent->key() == Qt::Key_Up || AEvent->key() == Qt::Key_Down)) {
        MoveSelectedRowsBy(AEvent->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    if (AEvent->key() == Qt::Key_Delete) {
        Q_EMIT DeleteKeyPressed();
        return;
    }
    if (AEvent->key() == Qt::Key_Space) {
        Q_EMIT SpaceKeyPressed();
        return;
    }
    if ((AEvent->key() == Qt::Key_Return || AEvent->key() == Qt::Key_Enter) && HasSelection()) {
        Q_EMIT EnterKeyPressed();
        return;
    }
    QTreeWidget::keyPressEvent(AEvent);
}

void TRowListView::mouseDoubleClickEvent(QMouseEvent* AEvent) {
    QTreeWidget::mouseDoubleClickEvent(AEvent);
    Q_EMIT DoubleClicked();
}

void TRowListView::startDrag(Qt::DropActions) {
    if (!FReorderable || !HasSelection())
        return;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(RowsFormat(), QByteArray());
    drag->setMimeData(data);
    // The list reorders itself on the drop: nothing is removed when the drag ends.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

bool TRowListView::AcceptsDrag(const QDropEvent* AEvent) const {
    return FReorderable && AEvent->source() == this && AEvent->mimeData() &&
           AEvent->mimeData()->hasFormat(RowsFormat());
}

void TRowListView::dragEnterEvent(QDragEnterEvent* AEvent) {
    if (AcceptsDrag(AEvent))
        AEvent->acceptProposedAction();
    else
        AEvent->ignore();
}

void TRowListView::dragMoveEvent(QDragMoveEvent* AEvent) {
    if (!AcceptsDrag(AEvent)) {
        AEvent->ignore();
        return;
    }
    // The view places the drop indicator on the row the rows will go before.
    QTreeWidget::dragMoveEvent(AEvent);
    AEvent->acceptProposedAction();
}

QStringList TRowListView::mimeTypes() const {
    return {RowsFormat()};
}

void TRowListView::dropEvent(QDropEvent* AEvent) {
    if (!AcceptsDrag(AEvent)) {
        AEvent->ignore();
        return;
    }
    const QModelIndex target = indexAt(AEvent->position().toPoint());
    AEvent->acceptProposedAction();
    MoveSelectedRows(target.isValid() ? target.row() : -1);
}

} // namespace tarrow
