#pragma once

#include <QAbstractTableModel>
#include <QMimeData>
#include <QPixmap>

namespace tarrow {

class TWebsiteProject;
class TWebsiteProjectList;

// The rows of the main window's project list: the visible projects of the list in their visible
// order, filled on demand. The row count is set only by Refresh, as a virtual list's is, so every
// change of the project list must be followed by Refresh.
class TProjectsListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        coProjectName,
        coGroupName,
        coWebsiteURL,
        coOutputFolder,
        coRemoveScripts,
        coBaseURL,
        coIndexFile,
        coOverwrite,
        coCount
    };

    TProjectsListModel(const TWebsiteProjectList& AProjects, QObject* AParent = nullptr);

    // Sets the row count to the visible count and redraws every row.
    void Refresh();
    // The project shown in a row, or nullptr.
    TWebsiteProject* RowProject(int ARow) const;
    // The visible row of a project, or -1.
    int ProjectRow(const TWebsiteProject* AProject) const;

    static int ColumnWidth(int AColumn);
    // The state images: 0 an empty box, 1 a ticked box.
    const QPixmap& CheckboxImage(int AIndex) const { return FCheckboxImages[AIndex ? 1 : 0]; }

    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole) const override;
    Qt::ItemFlags flags(const QModelIndex& AIndex) const override;
    // A reordering drag may be dropped on any row (the view shows where).
    QStringList mimeTypes() const override;
    bool canDropMimeData(const QMimeData* AData, Qt::DropAction AAction, int ARow, int AColumn,
                         const QModelIndex& AParent) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

private:
    QString CellText(const TWebsiteProject& AProject, int AColumn) const;

    const TWebsiteProjectList& FProjects;
    int FRowCount = 0;
    QPixmap FCheckboxImages[2];
};

// The drag object of a reordering drag: the project being dragged (not owned).
class TDragWebsiteProject final : public QMimeData {
    Q_OBJECT
public:
    explicit TDragWebsiteProject(TWebsiteProject* AProject);
    TWebsiteProject* Project() const { return FProject; }
    static QString Format();

private:
    TWebsiteProject* FProject;
};

} // namespace tarrow
