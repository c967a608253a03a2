#include "ui/ProjectsListModel.h"

#include "project/WebsiteUnit.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace tarrow {

namespace {

// Translated where they are shown.
const char* const ColumnCaptions[] = {
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Project Name"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Project Group"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Website URL"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Output Folder"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Remove Scripts?"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Target Base URL"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Index File"),
    QT_TRANSLATE_NOOP("tarrow::TProjectsListModel", "Overwrite"),
};
const int ColumnWidths[] = {130, 100, 200, 200, 100, 100, 100, 80};

// A 16 x 16 check box of the current style, empty or ticked, drawn with the screen's pixels
// (sharp at any scale).
QPixmap MakeCheckboxImage(bool AChecked) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap image(QSize(16, 16) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionButton option;
    option.rect = QRect(1, 1, 14, 14);
    option.state = QStyle::State_Enabled | (AChecked ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
    return image;
}

QString OverwriteText(TOverwriteFile AValue) {
    switch (AValue) {
    case ofNone:
        return TProjectsListModel::tr("No");
    case ofAll:
        return TProjectsListModel::tr("All");
    case ofChanged:
        return TProjectsListModel::tr("Changed");
    }
    return QString();
}

} // namespace

TProjectsListModel::TProjectsListModel(const TWebsiteProjectList& AProjects, QObject* AParent)
    : QAbstractTableModel(AParent),
      FProjects(AProjects), FCheckboxImages{MakeCheckboxImage(false), MakeCheckboxImage(true)} {}

void TProjectsListModel::Refresh() {
    const int count = FProjects.VisibleCount();
    if (count > FRowCount) {
        beginInsertRows({}, FRowCount, count - 1);
        FRowCount = count;
        endInsertRows();
    } else if (count < FRowCount) {
        beginRemoveRows({}, count, FRowCount - 1);
        FRowCount = count;
        endRemoveRows();
    }
    if (FRowCount > 0)
        Q_EMIT dataChanged(index(0, 0), index(FRowCount - 1, coCount - 1));
}

TWebsiteProject* TProjectsListModel::RowProject(int ARow) const {
    if (ARow < 0 || ARow >= FRowCount || ARow >= FProjects.VisibleCount())
        return nullptr;
    return FProjects.GetVisibleProject(ARow);
}

int TProjectsListModel::ProjectRow(const TWebsiteProject* AProject) const {
    for (int i = 0; i < FRowCount && i < FProjects.VisibleCount(); ++i)
        if (FProjects.GetVisibleProject(i) == AProject)
            return i;
    return -1;
}

int TProjectsListModel::ColumnWidth(int AColumn) {
    return AColumn >= 0 && AColumn < coCount ? ColumnWidths[AColumn] : 0;
}

int TProjectsListModel::rowCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : FRowCount;
}

int TProjectsListModel::columnCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : coCount;
}

QString TProjectsListModel::CellText(const TWebsiteProject& AProject, int AColumn) const {
    switch (AColumn) {
    case coProjectName:
        return AProject.ProjectName();
    case coGroupName:
        return AProject.GroupName();
    case coWebsiteURL:
        return AProject.WebsiteURL();
    case coOutputFolder:
        return AProject.OutputFolder();
    case coRemoveScripts:
        return AProject.RemoveScripts() ? tr("Yes") : tr("No");
    case coBaseURL:
        return AProject.BaseURL();
    case coIndexFile:
        return AProject.IndexFile();
    case coOverwrite:
        return OverwriteText(AProject.Overwrite());
    }
    return QString();
}

QVariant TProjectsListModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!checkIndex(AIndex, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TWebsiteProject* project = RowProject(AIndex.row());
    if (!project)
        return {};
    if (ARole == Qt::DisplayRole || ARole == Qt::ToolTipRole)
        return CellText(*project, AIndex.column());
    if (ARole == Qt::DecorationRole && AIndex.column() == coProjectName)
        return CheckboxImage(project->Checked() ? 1 : 0);
    // For assistive tools; the list shows the state image only.
    if (ARole == Qt::CheckStateRole && AIndex.column() == coProjectName)
        return project->Checked() ? Qt::Checked : Qt::Unchecked;
    return {};
}

QVariant TProjectsListModel::headerData(int ASection, Qt::Orientation AOrientation,
                                        int ARole) const {
    if (AOrientation != Qt::Horizontal || ASection < 0 || ASection >= coCount)
        return {};
    if (ARole == Qt::DisplayRole)
        return tr(ColumnCaptions[ASection]);
    return {};
}

Qt::ItemFlags TProjectsListModel::flags(const QModelIndex& AIndex) const {
    if (!AIndex.isValid())
        return Qt::ItemIsDropEnabled;
    // Checkable, so assistive technology tells the check mark; the window toggles it.
    const Qt::ItemFlags checkable =
        AIndex.column() == coProjectName ? Qt::ItemIsUserCheckable : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren | checkable;
}

QStringList TProjectsListModel::mimeTypes() const {
    return {TDragWebsiteProject::Format()};
}

bool TProjectsListModel::canDropMimeData(const QMimeData* AData, Qt::DropAction, int, int,
                                         const QModelIndex&) const {
    return AData && AData->hasFormat(TDragWebsiteProject::Format());
}

TDragWebsiteProject::TDragWebsiteProject(TWebsiteProject* AProject) : FProject(AProject) {
    // A format of its own, so that nothing outside the list accepts the drag.
    setData(Format(), QByteArray());
}

QString TDragWebsiteProject::Format() {
    return QStringLiteral("application/x-tarrow-project");
}

} // namespace tarrow
