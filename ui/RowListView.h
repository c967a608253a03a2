#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace tarrow {

// A two-column report list of the project editor: whole rows, no sorting, no editing in place.
// Rows are pairs of texts. A reorderable list allows several selected rows and moves them by
// dragging them within the list.
class TRowListView final : public QTreeWidget {
    Q_OBJECT
public:
    TRowListView(const QStringList& ACaptions, const QList<int>& AWidths, bool AReorderable,
                 QWidget* AParent = nullptr);

    void AddRow(const QString& AText1, const QString& AText2);
    QString RowText(int ARow, int AColumn) const;
    void SetRow(int ARow, const QString& AText1, const QString& AText2);
    int RowCount() const { return topLevelItemCount(); }
    // The first selected row (lowest index), or -1.
    int FirstSelectedRow() const;
    bool HasSelection() const { return FirstSelectedRow() >= 0; }
    // Removes every selected row.
    void DeleteSelectedRows();
    // Moves the selected rows, keeping their order, to directly before the row ATargetRow (-1:
    // to the end). When that row is being moved itself, the rows go where it stood: before the
    // first row after it that is not moved. The moved rows are no longer selected.
    void MoveSelectedRows(int ATargetRow);
    // Ctrl+Up / Ctrl+Down: moves the selected rows one place up (ADelta -1) or down (+1) through
    // MoveSelectedRows; they stay selected so the key can be pressed again.
    void MoveSelectedRowsBy(int ADelta);

Q_SIGNALS:
    void DeleteKeyPressed();
    void SpaceKeyPressed();
    // Enter or Return on a selected row: the list takes it, the dialog's default button does not.
    void EnterKeyPressed();
    void DoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    void startDrag(Qt::DropActions ASupportedActions) override;
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dragMoveEvent(QDragMoveEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;
    QStringList mimeTypes() const override;

private:
    QTreeWidgetItem* FirstSelectedExcept(const QTreeWidgetItem* AItem) const;
    bool AcceptsDrag(const QDropEvent* AEvent) const;

    bool FReorderable;
};

} // namespace tarrow
