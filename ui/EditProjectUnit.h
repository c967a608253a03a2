#pragma once

#include <array>

#include "ui/TarrowFormUnit.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace tarrow {

class TRowListView;
class TReplaceRuleForm;
class TWebDocForm;
class TWebPageForm;
class TWebOptionsPage;
class TWebsiteProject;

// The project editor: every setting of one project, with its start pages, download-file rules
// and replace rules. It edits the project it is given (the caller's copy) and writes back only
// when the user confirms; it never touches the project list. Its three small dialogs are created
// with it and reused for every edit.
class TEditProjectForm final : public QDialog, public TTarrowForm {
    Q_OBJECT
public:
    explicit TEditProjectForm(QWidget* AParent = nullptr);
    ~TEditProjectForm() override;

    // "Add New Project": makes AProject a new project of the group AGroupName (the settings keys'
    // new-project values), then edits it. True when the user confirmed.
    bool AddProject(TWebsiteProject& AProject, const QString& AOutDir, const QString& AGroupName);
    // Edits the project; ANewProject only chooses the caption ("Add New Project" or "Edit
    // Project"). True when the user confirmed; otherwise the project is left as it was.
    bool EditProject(TWebsiteProject& AProject, const QString& AOutDir, bool ANewProject);

    TWebPageForm& WebPageForm() const { return *FWebPageForm; }
    TWebDocForm& WebDocForm() const { return *FWebDocForm; }
    TReplaceRuleForm& ReplaceRuleForm() const { return *FReplaceRuleForm; }

    // The output-folder field with "{OutDir}" and "{ProjectName}" replaced by the window's
    // output-folder text and the name typed so far (letter case ignored).
    QString ExpandProjectOutFolder() const;

    void OKButtonClick();
    void ExploreProjectOutFolderButtonClick();
    void BrowseProjectOutFolderButtonClick();
    void AddWebPageButtonClick();
    void EditWebPageButtonClick();
    void DeleteWebPageButtonClick();
    void AddWebDocButtonClick();
    void EditWebDocButtonClick();
    void DeleteWebDocButtonClick();
    void AddReplaceRuleButtonClick();
    void EditReplaceRuleButtonClick();
    void DeleteReplaceRuleButtonClick();

protected:
    void showEvent(QShowEvent* AEvent) override;
    void hideEvent(QHideEvent* AEvent) override;

private:
    // One of the three lists with its buttons and the dialog that edits one row.
    struct TRowList {
        TRowListView* List = nullptr;
        QPushButton* AddButton = nullptr;
        QPushButton* EditButton = nullptr;
        QPushButton* DeleteButton = nullptr;
        std::function<bool(QString&, QString&)> Dialog;
    };

    void CreateControls();
    QWidget* CreateRowList(TRowList& AList, const QString& AName, const QStringList& ACaptions,
                           const QList<int>& AWidths, bool AReorderable, const QString& APrefix,
                           const QStringList& AButtonCaptions);
    bool ExecuteProject(TWebsiteProject& AProject, const QString& AOutDir);
    void FillFields(const TWebsiteProject& AProject);
    void WriteFields(TWebsiteProject& AProject) const;
    bool EditWebPage(QString& AWebPage, QString& ADepth);
    static void AddRow(TRowList& AList);
    static void EditRow(TRowList& AList);
    static void DeleteRows(TRowList& AList);
    static void UpdateRowButtons(TRowList& AList);
    // Gives every field and button its one-line tooltip.
    void SetHints(QPushButton* AExplore, QPushButton* ABrowse, QPushButton* AOK,
                  QPushButton* ACancel);

    QString FOutDir;
    TWebPageForm* FWebPageForm;
    TWebDocForm* FWebDocForm;
    TReplaceRuleForm* FReplaceRuleForm;
    QLineEdit* FProjectNameEdit = nullptr;
    QLineEdit* FGroupNameEdit = nullptr;
    QLineEdit* FWebsiteURLEdit = nullptr;
    QLineEdit* FDomainAliasesEdit = nullptr;
    QPlainTextEdit* FSuppressMemo = nullptr;
    QCheckBox* FRemoveScriptsCheckBox = nullptr;
    QCheckBox* FRemoveNoscriptsCheckBox = nullptr;
    QTabWidget* FPageControl1 = nullptr;
    QLineEdit* FBaseURLEdit = nullptr;
    QLineEdit* FIndexFileEdit = nullptr;
    QLineEdit* FProjectOutFolderEdit = nullptr;
    QCheckBox* FRelativePathLinksCheckBox = nullptr;
    QCheckBox* FCompletePagesCheckBox = nullptr;
    std::array<TWebOptionsPage*, 2> FWebOptionsPages{};
    QComboBox* FProjectOverwriteComboBox = nullptr;
    QSpinBox* FConnectionsSpinBox = nullptr;
    TRowList FWebPages;
    TRowList FWebDocs;
    TRowList FReplaceRules;
};

} // namespace tarrow
