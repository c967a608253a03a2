#include "ui/EditProjectUnit.h"

#include "base/uStrUtils.h"
#include "engine/TarrowEngineUnit.h"
#include "project/WebsiteUnit.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/RowListView.h"
#include "ui/ShellUnit.h"
#include "ui/TabOrderUnit.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebOptionsPage.h"
#include "ui/WebPageFormUnit.h"
#include "ui/WindowStateUnit.h"
#include "ui/uFormUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tarrow {

namespace {

QLabel* NewHint(const QString& AText, QWidget* AParent) {
    QLabel* hint = NewLabel(AText, AParent);
    hint->setForegroundRole(QPalette::PlaceholderText);
    return hint;
}

// Tabs and blanks at either end of a line: typed or pasted by accident, never part of a URL.
QString TrimBlanks(const QString& ALine) {
    qsizetype first = 0;
    qsizetype last = ALine.size();
    while (first < last && (ALine[first] == u' ' || ALine[first] == u'\t'))
        ++first;
    while (last > first && (ALine[last - 1] == u' ' || ALine[last - 1] == u'\t'))
        --last;
    return ALine.mid(first, last - first);
}

// One entry per line; a final line break adds no empty entry, blank lines in between stay.
QStringList MemoLines(const QString& AText) {
    if (AText.isEmpty())
        return {};
    QStringList lines = AText.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line = TrimBlanks(line);
    return lines;
}

QString MemoText(const QStringList& ALines) {
    QString text;
    for (const QString& line : ALines)
        text.append(line).append(u'\n');
    return text;
}

// The buttons of the start pages, and those of the two lists on the tab pages (never shown at
// the same time): their mnemonics differ from each other and from the rest of the editor.
QStringList FirstListCaptions() {
    return {TEditProjectForm::tr("&Add..."), TEditProjectForm::tr("&Edit..."),
            TEditProjectForm::tr("De&lete")};
}

QStringList TabListCaptions() {
    return {TEditProjectForm::tr("A&dd..."), TEditProjectForm::tr("Ed&it..."),
            TEditProjectForm::tr("Dele&te")};
}

int ReadDepth(const QString& AText) {
    int32_t value = 0;
    return TryStrToInt(AText, value) ? value : 0;
}

} // namespace

TEditProjectForm::TEditProjectForm(QWidget* AParent)
    : QDialog(AParent), TTarrowForm(this), FWebPageForm(new TWebPageForm(this)),
      FWebDocForm(new TWebDocForm(this)), FReplaceRuleForm(new TReplaceRuleForm(this)) {
    setObjectName(QStringLiteral("EditProjectForm"));
    setWindowTitle(tr("Edit Project"));
    CreateControls();
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    resize(587, 745);
    SortTabOrder(this);

    FWebPages.Dialog = [this](QString& AText1, QString& AText2) {
        return EditWebPage(AText1, AText2);
    };
    FWebDocs.Dialog = [this](QString& AText1, QString& AText2) {
        return FWebDocForm->Execute(AText1, AText2);
    };
    FReplaceRules.Dialog = [this](QString& AText1, QString& AText2) {
        return FReplaceRuleForm->Execute(AText1, AText2);
    };
}

TEditProjectForm::~TEditProjectForm() = default;

QWidget* TEditProjectForm::CreateRowList(TRowList& AList, const QString& AName,
                                         const QStringList& ACaptions, const QList<int>& AWidths,
                                         bool AReorderable, const QString& APrefix,
                                         const QStringList& AButtonCaptions) {
    auto* box = new QWidget(this);
    AList.List = new TRowListView(ACaptions, AWidths, AReorderable, box);
    AList.List->setObjectName(AName);
    AList.AddButton =
        NewButton(AButtonCaptions[0], box, QStringLiteral("Add%1Button").arg(APrefix));
    AList.EditButton =
        NewButton(AButtonCaptions[1], box, QStringLiteral("Edit%1Button").arg(APrefix));
    AList.DeleteButton =
        NewButton(AButtonCaptions[2], box, QStringLiteral("Delete%1Button").arg(APrefix));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {AList.AddButton, AList.EditButton, AList.DeleteButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(AList.List, 1);
    layout->addLayout(buttons);

    TRowList* list = &AList;
    connect(AList.List, &QTreeWidget::itemSelectionChanged, this,
            [list] { UpdateRowButtons(*list); });
    auto edit = [list] {
        if (list->EditButton->isEnabled())
            list->EditButton->click();
    };
    connect(AList.List, &TRowListView::DoubleClicked, this, edit);
    connect(AList.List, &TRowListView::SpaceKeyPressed, this, edit);
    connect(AList.List, &TRowListView::EnterKeyPressed, this, edit);
    connect(AList.List, &TRowListView::DeleteKeyPressed, this, [list] {
        if (list->DeleteButton->isEnabled())
            list->DeleteButton->click();
    });
    return box;
}

void TEditProjectForm::CreateControls() {
    FProjectNameEdit = NewEdit(this, QStringLiteral("ProjectNameEdit"));
    FGroupNameEdit = NewEdit(this, QStringLiteral("GroupNameEdit"));
    FWebsiteURLEdit = NewEdit(this, QStringLiteral("WebsiteURLEdit"));
    FDomainAliasesEdit = NewEdit(this, QStringLiteral("DomainAliasesEdit"));
    QWidget* webPages = CreateRowList(FWebPages, QStringLiteral("WebPagesListView"),
                                      {tr("URL"), tr("Extract URLs Depth")}, {310, 120}, true,
                                      QStringLiteral("WebPage"), FirstListCaptions());
    FSuppressMemo = new QPlainTextEdit(this);
    FSuppressMemo->setObjectName(QStringLiteral("SuppressMemo"));
    FSuppressMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    FSuppressMemo->setTabChangesFocus(true);
    FSuppressMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FRemoveScriptsCheckBox = new QCheckBox(tr("&Remove <script> tags."), this);
    FRemoveScriptsCheckBox->setObjectName(QStringLiteral("RemoveScriptsCheckBox"));
    FRemoveNoscriptsCheckBox = new QCheckBox(tr("Remove <&noscript> tags."), this);
    FRemoveNoscriptsCheckBox->setObjectName(QStringLiteral("RemoveNoscriptsCheckBox"));
    FPageControl1 = new QTabWidget(this);
    FPageControl1->setObjectName(QStringLiteral("PageControl1"));
    FPageControl1->addTab(CreateRowList(FWebDocs, QStringLiteral("WebDocsListView"),
                                        {tr("URL starts with"), tr("Output Folder")}, {330, 150},
                                        true, QStringLiteral("WebDoc"), TabListCaptions()),
                          tr("Download Files"));
    FPageControl1->addTab(CreateRowList(FReplaceRules, QStringLiteral("ReplaceRulesListView"),
                                        {tr("Pattern"), tr("Replace Rule")}, {240, 240}, false,
                                        QStringLiteral("ReplaceRule"), TabListCaptions()),
                          tr("Replace Rules"));
    using TKind = TWebOptionsPage::TKind;
    for (TKind kind : {TKind::Access, TKind::Scope}) {
        auto* page = new TWebOptionsPage(kind, this);
        FWebOptionsPages[static_cast<size_t>(kind)] = page;
        FPageControl1->addTab(page, TWebOptionsPage::Title(kind));
    }
    FBaseURLEdit = NewEdit(this, QStringLiteral("BaseURLEdit"));
    FIndexFileEdit = NewEdit(this, QStringLiteral("IndexFileEdit"));
    FProjectOutFolderEdit = NewEdit(this, QStringLiteral("ProjectOutFolderEdit"));
    QPushButton* explore =
        NewButton(tr("E&xplore"), this, QStringLiteral("ExploreProjectOutFolderButton"));
    QPushButton* browse =
        NewButton(tr("&Browse..."), this, QStringLiteral("BrowseProjectOutFolderButton"));
    FRelativePathLinksCheckBox = new QCheckBox(tr("Relative &Path Links."), this);
    FRelativePathLinksCheckBox->setObjectName(QStringLiteral("RelativePathLinksCheckBox"));
    FCompletePagesCheckBox =
        new QCheckBox(tr("Co&mplete pages (style sheets, responsive images, media)"), this);
    FCompletePagesCheckBox->setObjectName(QStringLiteral("CompletePagesCheckBox"));
    FProjectOverwriteComboBox = new QComboBox(this);
    FProjectOverwriteComboBox->setObjectName(QStringLiteral("ProjectOverwriteComboBox"));
    FProjectOverwriteComboBox->addItems({tr("Don't overwrite files"), tr("Overwrite all files"),
                                         tr("Overwrite changed files only")});
    FConnectionsSpinBox = new QSpinBox(this);
    FConnectionsSpinBox->setObjectName(QStringLiteral("ConnectionsSpinBox"));
    FConnectionsSpinBox->setRange(TWebsiteProject::kConnectionsMin,
                                  TWebsiteProject::kConnectionsMax);
    QPushButton* ok = NewButton(tr("&OK"), this, QStringLiteral("OKButton"));
    ok->setDefault(true);
    QPushButton* cancel = NewButton(tr("&Cancel"), this, QStringLiteral("CancelButton"));
    for (QPushButton* button : {explore, browse, cancel})
        button->setAutoDefault(false);

    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& ALabel, QWidget* AField) {
        grid->addWidget(NewFieldLabel(ALabel, AField), row, 0, Qt::AlignTop);
        grid->addWidget(AField, row++, 1);
    };
    auto addBelow = [&](QWidget* AWidget) { grid->addWidget(AWidget, row++, 1); };
    // A list takes the whole width, under its label.
    auto addWide = [&](const QString& ALabel, QWidget* AField, QWidget* ABuddy, int AStretch) {
        grid->addWidget(NewFieldLabel(ALabel, ABuddy), row++, 0, 1, 2);
        grid->setRowStretch(row, AStretch);
        grid->addWidget(AField, row++, 0, 1, 2);
    };
    addRow(tr("Project Name:"), FProjectNameEdit);
    addRow(tr("Group:"), FGroupNameEdit);
    addRow(tr("Website URL:"), FWebsiteURLEdit);
    addRow(tr("Domain Aliases:"), FDomainAliasesEdit);
    addBelow(NewHint(tr("Delimited by semicolon. Example: 127.0.0,1;localhost"), this));
    addWide(tr("Web Pages:"), webPages, FWebPages.List, 3);
    addWide(tr("Suppress URLs:"), FSuppressMemo, FSuppressMemo, 2);
    auto* switches = new QHBoxLayout;
    switches->addWidget(FRemoveScriptsCheckBox);
    switches->addWidget(FRemoveNoscriptsCheckBox);
    switches->addStretch();
    grid->addLayout(switches, row++, 0, 1, 2);
    grid->setRowStretch(row, 3);
    grid->addWidget(FPageControl1, row++, 0, 1, 2);
    addRow(tr("Target Base URL:"), FBaseURLEdit);
    addRow(tr("Index File:"), FIndexFileEdit);
    addRow(tr("Output Folder:"), FProjectOutFolderEdit);
    auto* folderLine = new QHBoxLayout;
    folderLine->addWidget(NewHint(tr("You can use these tags: {OutDir}, {ProjectName}"), this), 1);
    folderLine->addWidget(explore);
    folderLine->addWidget(browse);
    grid->addLayout(folderLine, row++, 1);
    addBelow(FRelativePathLinksCheckBox);
    addBelow(FCompletePagesCheckBox);
    auto* overwriteLine = new QHBoxLayout;
    overwriteLine->addWidget(FProjectOverwriteComboBox);
    overwriteLine->addSpacing(12);
    overwriteLine->addWidget(NewFieldLabel(tr("Connection&s:"), FConnectionsSpinBox));
    overwriteLine->addWidget(FConnectionsSpinBox);
    overwriteLine->addStretch();
    grid->addLayout(overwriteLine, row++, 1);
    // Fields without a label of their own: named after what they hold.
    FProjectOverwriteComboBox->setAccessibleName(tr("Overwrite"));
    FWebDocs.List->setAccessibleName(tr("Download Files"));
    FReplaceRules.List->setAccessibleName(tr("Replace Rules"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    // The fields scroll when the screen is too small for them; OK and Cancel stay in view.
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("EditProjectContent"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(grid, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("EditProjectScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);

    SetHints(explore, browse, ok, cancel);
    connect(ok, &QPushButton::clicked, this, &TEditProjectForm::OKButtonClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(explore, &QPushButton::clicked, this,
            &TEditProjectForm::ExploreProjectOutFolderButtonClick);
    connect(browse, &QPushButton::clicked, this,
            &TEditProjectForm::BrowseProjectOutFolderButtonClick);
    connect(FWebPages.AddButton, &QPushButton::clicked, this,
            &TEditProjectForm::AddWebPageButtonClick);
    connect(FWebPages.EditButton, &QPushButton::clicked, this,
            &TEditProjectForm::EditWebPageButtonClick);
    connect(FWebPages.DeleteButton, &QPushButton::clicked, this,
            &TEditProjectForm::DeleteWebPageButtonClick);
    connect(FWebDocs.AddButton, &QPushButton::clicked, this,
            &TEditProjectForm::AddWebDocButtonClick);
    connect(FWebDocs.EditButton, &QPushButton::clicked, this,
            &TEditProjectForm::EditWebDocButtonClick);
    connect(FWebDocs.DeleteButton, &QPushButton::clicked, this,
            &TEditProjectForm::DeleteWebDocButtonClick);
    connect(FReplaceRules.AddButton, &QPushButton::clicked, this,
            &TEditProjectForm::AddReplaceRuleButtonClick);
    connect(FReplaceRules.EditButton, &QPushButton::clicked, this,
            &TEditProjectForm::EditReplaceRuleButtonClick);
    connect(FReplaceRules.DeleteButton, &QPushButton::clicked, this,
            &TEditProjectForm::DeleteReplaceRuleButtonClick);
}

void TEditProjectForm::SetHints(QPushButton* AExplore, QPushButton* ABrowse, QPushButton* AOK,
                                QPushButton* ACancel) {
    SetHint(FProjectNameEdit, tr("The project's name, which no other project may have"));
    SetHint(FGroupNameEdit, tr("The group the project is listed under in the main window's view"));
    SetHint(FWebsiteURLEdit, tr("The site's address: links under it are followed and saved"));
    SetHint(FDomainAliasesEdit, tr("Other host names the same site is reached under"));
    SetHint(FWebPages.List, tr("The pages the download starts from, each with its link depth"));
    SetHint(FSuppressMemo, tr("URLs containing one of these lines are never downloaded"));
    SetHint(FRemoveScriptsCheckBox, tr("Leaves the scripts out of the saved pages"));
    SetHint(FRemoveNoscriptsCheckBox, tr("Leaves the <noscript> parts out of the saved pages"));
    SetHint(FWebDocs.List, tr("Files saved as they are: a URL beginning and its output folder"));
    SetHint(FReplaceRules.List, tr("Regular expressions replaced in every saved page"));
    SetHint(FBaseURLEdit, tr("The address the copy will be published under; links point there"));
    SetHint(FIndexFileEdit, tr("The file name a folder's own page is saved as"));
    SetHint(FProjectOutFolderEdit, tr("The folder the project's files are saved in"));
    SetHint(AExplore, tr("Opens the output folder in the file manager"));
    SetHint(ABrowse, tr("Chooses the output folder"));
    SetHint(FRelativePathLinksCheckBox,
            tr("Links in saved pages become relative paths, so the copy works from any folder"));
    SetHint(FCompletePagesCheckBox,
            tr("Also saves what the pages need to show: style sheets, image variants, media"));
    SetHint(FProjectOverwriteComboBox, tr("What happens to files an earlier run has saved"));
    SetHint(FConnectionsSpinBox, tr("How many transfers run at the same time"));
    SetHint(AOK, tr("Takes the project as shown"), {QKeySequence(Qt::Key_Return)});
    SetHint(ACancel, tr("Closes without taking the changes"), {QKeySequence(Qt::Key_Escape)});
    // The lists' own keys: Enter edits the selected row, Delete deletes the selected rows.
    const auto listHints = [](TRowList& AList, const QString& AAdd, const QString& AEdit,
                              const QString& ADelete) {
        SetHint(AList.AddButton, AAdd);
        SetHint(AList.EditButton, AEdit, {QKeySequence(Qt::Key_Return)});
        SetHint(AList.DeleteButton, ADelete, {QKeySequence(QKeySequence::Delete)});
    };
    listHints(FWebPages, tr("Adds a start page"), tr("Edits the selected start page"),
              tr("Deletes the selected start pages"));
    listHints(FWebDocs, tr("Adds a rule for files to download"),
              tr("Edits the selected download rule"), tr("Deletes the selected download rules"));
    listHints(FReplaceRules, tr("Adds a replace rule"), tr("Edits the selected replace rule"),
              tr("Deletes the selected replace rules"));
}

bool TEditProjectForm::AddProject(TWebsiteProject& AProject, const QString& AOutDir,
                                  const QString& AGroupName) {
    setWindowTitle(tr("Add New Project"));
    AProject = TWebsiteProject::NewProject(AGroupName);
    return ExecuteProject(AProject, AOutDir);
}

bool TEditProjectForm::EditProject(TWebsiteProject& AProject, const QString& AOutDir,
                                   bool ANewProject) {
    setWindowTitle(ANewProject ? tr("Add New Project") : tr("Edit Project"));
    return ExecuteProject(AProject, AOutDir);
}

bool TEditProjectForm::ExecuteProject(TWebsiteProject& AProject, const QString& AOutDir) {
    FOutDir = AOutDir;
    FillFields(AProject);
    FProjectNameEdit->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    WriteFields(AProject);
    return true;
}

void TEditProjectForm::FillFields(const TWebsiteProject& AProject) {
    FProjectNameEdit->setText(AProject.ProjectName());
    FGroupNameEdit->setText(AProject.GroupName());
    FWebsiteURLEdit->setText(AProject.WebsiteURL());
    FDomainAliasesEdit->setText(AProject.DomainAliasesString());
    FRemoveScriptsCheckBox->setChecked(AProject.RemoveScripts());
    FRemoveNoscriptsCheckBox->setChecked(AProject.RemoveNoscripts());
    FRelativePathLinksCheckBox->setChecked(AProject.RelativePathLinks());
    FCompletePagesCheckBox->setChecked(AProject.CompletePages());
    FBaseURLEdit->setText(AProject.BaseURL());
    FIndexFileEdit->setText(AProject.IndexFile());
    FProjectOutFolderEdit->setText(AProject.OutputFolder());
    const TOverwriteFile overwrite = AProject.Overwrite();
    FProjectOverwriteComboBox->setCurrentIndex(overwrite == ofAll       ? 1
                                               : overwrite == ofChanged ? 2
                                                                        : 0);
    FConnectionsSpinBox->setValue(AProject.Connections());
    for (TRowList* list : {&FWebPages, &FWebDocs, &FReplaceRules}) {
        list->List->clear();
        UpdateRowButtons(*list);
    }
    const TIntList& depths = AProject.WPExtractURLs();
    for (qsizetype i = 0; i < AProject.WebPages().size(); ++i)
        FWebPages.List->AddRow(AProject.WebPages()[i],
                               QString::number(i < depths.Count() ? depths.GetValue(i) : 0));
    for (qsizetype i = 0; i < AProject.WebDocuments().size(); ++i)
        FWebDocs.List->AddRow(AProject.WebDocuments()[i], AProject.WDOutFolders().value(i));
    for (qsizetype i = 0; i < AProject.ReplacePatterns().size(); ++i)
        FReplaceRules.List->AddRow(AProject.ReplacePatterns()[i], AProject.ReplaceRules().value(i));
    FSuppressMemo->setPlainText(MemoText(AProject.SuppressURLs()));
    for (TWebOptionsPage* page : FWebOptionsPages)
        page->Fill(AProject);
}

void TEditProjectForm::WriteFields(TWebsiteProject& AProject) const {
    AProject.SetProjectName(FProjectNameEdit->text());
    AProject.SetGroupName(FGroupNameEdit->text());
    AProject.SetWebsiteURL(FWebsiteURLEdit->text());
    AProject.SetDomainAliasesString(FDomainAliasesEdit->text());
    AProject.SetRemoveScripts(FRemoveScriptsCheckBox->isChecked());
    AProject.SetRemoveNoscripts(FRemoveNoscriptsCheckBox->isChecked());
    AProject.SetRelativePathLinks(FRelativePathLinksCheckBox->isChecked());
    AProject.SetCompletePages(FCompletePagesCheckBox->isChecked());
    AProject.SetBaseURL(FBaseURLEdit->text());
    AProject.SetIndexFile(FIndexFileEdit->text());
    AProject.SetOutputFolder(FProjectOutFolderEdit->text());
    const int overwrite = FProjectOverwriteComboBox->currentIndex();
    AProject.SetOverwrite(overwrite == 1 ? ofAll : overwrite == 2 ? ofChanged : ofNone);
    AProject.SetConnections(FConnectionsSpinBox->value());
    AProject.WebPages().clear();
    AProject.WPExtractURLs().Clear();
    for (int i = 0; i < FWebPages.List->RowCount(); ++i) {
        AProject.WebPages().append(FWebPages.List->RowText(i, 0));
        AProject.WPExtractURLs().Add(ReadDepth(FWebPages.List->RowText(i, 1)));
    }
    AProject.WebDocuments().clear();
    AProject.WDOutFolders().clear();
    for (int i = 0; i < FWebDocs.List->RowCount(); ++i) {
        AProject.WebDocuments().append(FWebDocs.List->RowText(i, 0));
        AProject.WDOutFolders().append(FWebDocs.List->RowText(i, 1));
    }
    AProject.ReplacePatterns().clear();
    AProject.ReplaceRules().clear();
    for (int i = 0; i < FReplaceRules.List->RowCount(); ++i) {
        AProject.ReplacePatterns().append(FReplaceRules.List->RowText(i, 0));
        AProject.ReplaceRules().append(FReplaceRules.List->RowText(i, 1));
    }
    AProject.SuppressURLs() = MemoLines(FSuppressMemo->toPlainText());
    for (TWebOptionsPage* page : FWebOptionsPages)
        page->Write(AProject);
}

void TEditProjectForm::showEvent(QShowEvent* AEvent) {
    FPageControl1->setCurrentIndex(0);
    // The size it last had (its own size at first) where the screen has room; smaller (the
    // fields scroll) where it has not.
    RestoreWindowState(this, nullptr);
    const QSize wanted = size();
    FitOnScreen(this, wanted);
    // Where the fields scroll, the scroll bar takes its width from them: the editor widens by as
    // much where the screen has room, so they never scroll sideways as well.
    if (height() < wanted.height()) {
        auto* scroll = findChild<QScrollArea*>(QStringLiteral("EditProjectScrollArea"));
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
        const QMargins margins = layout()->contentsMargins();
        const int needed =
            scroll->widget()->minimumSizeHint().width() + bar + margins.left() + margins.right();
        FitOnScreen(this, QSize(qMax(width(), needed), height()));
    }
    QDialog::showEvent(AEvent);
}

void TEditProjectForm::hideEvent(QHideEvent* AEvent) {
    SaveWindowState(this, nullptr);
    QDialog::hideEvent(AEvent);
}

void TEditProjectForm::OKButtonClick() {
    if (!CheckNotEmpty(FProjectNameEdit->text(), tr("Project Name"))) {
        FProjectNameEdit->setFocus();
        return;
    }
    for (TWebOptionsPage* page : FWebOptionsPages) {
        const QString problem = page->Problem();
        if (problem.isEmpty())
            continue;
        FPageControl1->setCurrentWidget(page);
        Warning(problem);
        page->Problem(); // the field again, now that its page shows
        return;
    }
    accept();
}

QString TEditProjectForm::ExpandProjectOutFolder() const {
    return ExpandFolderTags(FProjectOutFolderEdit->text(), FOutDir, FProjectNameEdit->text());
}

void TEditProjectForm::ExploreProjectOutFolderButtonClick() {
    const QString folder = ExpandProjectOutFolder();
    if (!folder.isEmpty())
        OpenFolder(folder);
}

void TEditProjectForm::BrowseProjectOutFolderButtonClick() {
    const QString folder = ChooseFolder(this, ExpandProjectOutFolder(), tr("Output Folder"));
    if (!folder.isEmpty())
        FProjectOutFolderEdit->setText(folder);
}

bool TEditProjectForm::EditWebPage(QString& AWebPage, QString& ADepth) {
    int depth = ReadDepth(ADepth);
    if (!FWebPageForm->Execute(AWebPage, depth))
        return false;
    ADepth = QString::number(depth);
    return true;
}

void TEditProjectForm::AddRow(TRowList& AList) {
    QString text1;
    QString text2;
    if (AList.Dialog(text1, text2) && !text1.isEmpty())
        AList.List->AddRow(text1, text2);
}

void TEditProjectForm::EditRow(TRowList& AList) {
    const int row = AList.List->FirstSelectedRow();
    if (row < 0)
        return;
    QString text1 = AList.List->RowText(row, 0);
    QString text2 = AList.List->RowText(row, 1);
    // The list cannot change while the modal dialog is open, so the row is still there.
    if (AList.Dialog(text1, text2))
        AList.List->SetRow(row, text1, text2);
}

void TEditProjectForm::DeleteRows(TRowList& AList) {
    if (AList.List->HasSelection())
        AList.List->DeleteSelectedRows();
}

void TEditProjectForm::UpdateRowButtons(TRowList& AList) {
    const bool selected = AList.List->HasSelection();
    AList.EditButton->setEnabled(selected);
    AList.DeleteButton->setEnabled(selected);
}

void TEditProjectForm::AddWebPageButtonClick() {
    AddRow(FWebPages);
}
void TEditProjectForm::EditWebPageButtonClick() {
    EditRow(FWebPages);
}
void TEditProjectForm::DeleteWebPageButtonClick() {
    DeleteRows(FWebPages);
}
void TEditProjectForm::AddWebDocButtonClick() {
    AddRow(FWebDocs);
}
void TEditProjectForm::EditWebDocButtonClick() {
    EditRow(FWebDocs);
}
void TEditProjectForm::DeleteWebDocButtonClick() {
    DeleteRows(FWebDocs);
}
void TEditProjectForm::AddReplaceRuleButtonClick() {
    AddRow(FReplaceRules);
}
void TEditProjectForm::EditReplaceRuleButtonClick() {
    EditRow(FReplaceRules);
}
void TEditProjectForm::DeleteReplaceRuleButtonClick() {
    DeleteRows(FReplaceRules);
}

} // namespace tarrow
