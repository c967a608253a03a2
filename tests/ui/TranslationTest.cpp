// The window in the user's language: the built-in German translation, English where there is
// none, and a translation file that covers every text of the window.
#include "tests/ui/UiTestSupport.h"

#include "ui/EditProjectUnit.h"
#include "ui/GroupComboBox.h"
#include "ui/ProjectsListModel.h"
#include "ui/TranslationUnit.h"
#include "ui/WebOptionsPage.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class Translation : public UiTest {};

// The same window under each language: the main buttons, the tabs, a column, an editor tab and
// a warning.
TEST_F(Translation, TheWindowSpeaksTheLanguageItHasATranslationFor) {
    struct TCase {
        const char* Locale;
        bool Translated;
        const char* LoadButton;
        const char* AboutTab;
        const char* FirstColumn;
        const char* AccessTab;
        const char* NothingChecked;
        const char* AllProjects;
    };
    const TCase cases[] = {
        {"de_DE", true, "Websites &laden", "Über", "Projektname", "Webzugriff",
         "Bitte markieren Sie ein oder mehrere Projekte.", "<Alle Projekte>"},
        {"de_AT", true, "Websites &laden", "Über", "Projektname", "Webzugriff",
         "Bitte markieren Sie ein oder mehrere Projekte.", "<Alle Projekte>"},
        {"en_US", false, "&Load Websites", "About", "Project Name", "Web Access",
         "Please, check one or more projects.", "<All projects>"},
        {"fr_FR", false, "&Load Websites", "About", "Project Name", "Web Access",
         "Please, check one or more projects.", "<All projects>"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Locale);
        const TTranslations translations{QLocale(QString::fromLatin1(c.Locale))};
        EXPECT_EQ(translations.Translated(), c.Translated);
        FMessages.clear();
        TTarrowMainForm& window = MakeWindow();
        const TTarrowMainControls& controls = window.Controls();
        EXPECT_EQ(controls.LoadWebsitesButton->text(), QString::fromUtf8(c.LoadButton));
        EXPECT_EQ(controls.MainPageControl->tabText(2), QString::fromUtf8(c.AboutTab));
        EXPECT_EQ(window.ProjectsModel().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf8(c.FirstColumn));
        auto* editorTabs = Child<QTabWidget>(&window.EditProjectForm(), "PageControl1");
        EXPECT_EQ(editorTabs->tabText(editorTabs->indexOf(
                      window.EditProjectForm().findChild<TWebOptionsPage*>(u"WebOptionsPage"_s))),
                  QString::fromUtf8(c.AccessTab));
        EXPECT_EQ(controls.GroupComboBox->itemText(0), QString::fromUtf8(c.AllProjects));
        controls.LoadWebsitesButton->click();
        ASSERT_EQ(FMessages.size(), 1);
        EXPECT_TRUE(FMessages[0].endsWith(u'|' + QString::fromUtf8(c.NothingChecked)))
            << FMessages[0].toStdString();
        FModelTester.reset();
        FWindow.reset();
    }
}

// Every text of the window has its German: the translation file brought up to date with the
// sources (as the update script does) has no unfinished entry.
TEST_F(Translation, GermanCoversEveryTextOfTheWindow) {
    const QString source = QString::fromUtf8(TARROW_SOURCE_DIR);
    const QString copy = TempPath("tarrow_de.ts");
    ASSERT_TRUE(QFile::copy(source + u"/ui/translations/tarrow_de.ts"_s, copy));
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LUPDATE"_s, QString::fromUtf8(TARROW_LUPDATE));
    update.setProcessEnvironment(environment);
    update.setProcessChannelMode(QProcess::MergedChannels);
    update.start(u"bash"_s, {source + u"/scripts/update-translations.sh"_s, copy});
    ASSERT_TRUE(update.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(update.readAll());
    ASSERT_EQ(update.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains(u"lacks Q_OBJECT"_s)) << output.toStdString();
    QFile updated(copy);
    ASSERT_TRUE(updated.open(QIODevice::ReadOnly));
    const QByteArray text = updated.readAll();
    EXPECT_GT(text.count("<message>"), 100);
    EXPECT_EQ(text.count("type=\"unfinished\""), 0)
        << "run scripts/update-translations.sh and translate the new texts";
}

} // namespace
