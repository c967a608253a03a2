#include "ui/ProjectsListView.h"

#include "ui/ProjectsListModel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace tarrow {

namespace {

const TDragWebsiteProject* DragObject(const QDropEvent* AEvent) {
    return qobject_cast<const TDragWebsiteProject*>(AEvent->mimeData());
}

// Draws the rows without the style's own check box: the state image shows the check mark.
class TNoCheckIndicatorDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* AOption, const QModelIndex& AIndex) const override {
        QStyledItemDelegate::initStyleOption(AOption, AIndex);
        AOption->features &= ~QStyleOptionViewItem::HasCheckIndicator;
    }
    // Presses and keys on the check mark are the window's.
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false;
    }
};

} // namespace

TProjectsListView::TProjectsListView(QWidget* AParent) : QTreeView(AParent) {
    setItemDelegate(new TNoCheckIndicatorDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    // A drop lands on a row: the row under the pointer is framed.
    setDropIndicatorShown(true);
    setDragDropOverwriteMode(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    header()->setSectionsMovable(false);
    // The last column takes the width the others leave.
    header()->setStretchLastSection(true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

int TProjectsListView::CaptionLeft(int ARow) const {
    const QModelIndex index = model() ? model()->index(ARow, 0) : QModelIndex();
    if (!index.isValid())
        return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.index = index;
    option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    option.decorationSize = iconSize();
    option.text = index.data().toString();
    return style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this).left();
}

void TProjectsListView::SelectRow(int ARow) {
    if (ARow < 0 || !model() || ARow >= model()->rowCount()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = model()->index(ARow, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void TProjectsListView::SetCurrentRow(int ARow) {
    if (ARow >= 0 && model() && ARow < model()->rowCount())
        selectionModel()->setCurrentIndex(model()->index(ARow, 0), QItemSelectionModel::NoUpdate);
}

int TProjectsListView::SelectedRow() const {
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TProjectsListView::mousePressEvent(QMouseEvent* AEvent) {
    Q_EMIT MouseDown(AEvent->position().toPoint());
    QTreeView::mousePressEvent(AEvent);
}

void TProjectsListView::mouseDoubleClickEvent(QMouseEvent* AEvent) {
    // The second press of a double click is a press too.
    Q_EMIT MouseDown(AEvent->position().toPoint());
    QTreeView::mouseDoubleClickEvent(AEvent);
}

void TProjectsListView::startDrag(Qt::DropActions) {
    TWebsiteProject* project = FDragSource ? FDragSource() : nullptr;
    if (!project)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TDragWebsiteProject(project));
    // The list reorders itself on the drop: nothing is removed when the drag ends.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void TProjectsListView::dragEnterEvent(QDragEnterEvent* AEvent) {
    if (DragObject(AEvent))
        AEvent->acceptProposedAction();
    else
        AEvent->ignore();
}

void TProjectsListView::dragMoveEvent(QDragMoveEvent* AEvent) {
    if (!DragObject(AEvent)) {
        AEvent->ignore();
        return;
    }
    // The view places the drop indicator; the drop below the last row is accepted too.
    QTreeView::dragMoveEvent(AEvent);
    AEvent->acceptProposedAction();
}

void TProjectsListView::dropEvent(QDropEvent* AEvent) {
    const TDragWebsiteProject* drag = DragObject(AEvent);
    if (!drag) {
        AEvent->ignore();
        return;
    }
    const QModelIndex target = indexAt(AEvent->position().toPoint());
    AEvent->acceptProposedAction();
    Q_EMIT ProjectDropped(drag->Project(), target.isValid() ? target.row() : -1);
}

} // namespace tarrow
