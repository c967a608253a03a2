#pragma once

#include <QTreeView>
#include <functional>

namespace tarrow {

class TWebsiteProject;

// The report list of the main window: whole rows, one selected row at most, no editing, no
// sorting, and drag and drop of one project onto another for reordering. The window decides what
// a press and a drop do.
class TProjectsListView final : public QTreeView {
    Q_OBJECT
public:
    explicit TProjectsListView(QWidget* AParent = nullptr);

    // Left edge of a row's caption area (the first column's text, right of the state image), in
    // viewport coordinates.
    int CaptionLeft(int ARow) const;
    // Sets the one selected row (-1 clears the selection) and makes it current.
    void SelectRow(int ARow);
    int SelectedRow() const;
    // Puts the focus frame on ARow without selecting it (nothing when there is no such row).
    void SetCurrentRow(int ARow);
    // True while a drag in progress frames the row it would land on.
    bool DropIndicatorOnRow() const { return dropIndicatorPosition() == OnItem; }
    // Tells which project a reordering drag carries (nullptr: no drag starts).
    void SetDragSource(std::function<TWebsiteProject*()> ASource) {
        FDragSource = std::move(ASource);
    }

Q_SIGNALS:
    // A press of any mouse button over the list (viewport coordinates).
    void MouseDown(const QPoint& APos);
    // A project dropped on a row (-1 below the last row).
    void ProjectDropped(TWebsiteProject* AProject, int ARow);

protected:
    void mousePressEvent(QMouseEvent* AEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
    void startDrag(Qt::DropActions ASupportedActions) override;
    void dragEnterEvent(QDragEnterEvent* AEvent) override;
    void dragMoveEvent(QDragMoveEvent* AEvent) override;
    void dropEvent(QDropEvent* AEvent) override;

private:
    std::function<TWebsiteProject*()> FDragSource;
};

} // namespace tarrow
