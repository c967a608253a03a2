#pragma once
// Shared pieces of the widget tests: a fixture that records the message boxes and the shell calls
// instead of showing or opening anything, keeps the settings in a temporary folder, and runs
// steps inside modal dialogs.

#include "ui/ShellUnit.h"
#include "ui/TarrowFormUnit.h"
#include "ui/TarrowMainUnit.h"

#include <QAbstractItemModelTester>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;

class QLineEdit;

namespace tarrow::test {

// Finds a named child and fails the test when there is none.
template <class T> T* Child(const QObject* AParent, const char* AName) {
    T* child = AParent->findChild<T*>(QString::fromLatin1(AName));
    EXPECT_NE(child, nullptr) << AName;
    return child;
}

// Runs AStep inside the modal loop of ADialog once it is the active modal window. Schedule it
// before the call that opens the dialog; steps for nested dialogs are scheduled from the outer
// step. A dialog that stays open longer than a few seconds is closed, so a failing test ends.
void WhenModal(QWidget* ADialog, std::function<void()> AStep);

// Lets queued calls and posted events run until APredicate holds (at most ATimeoutMs).
bool WaitFor(const std::function<bool()>& APredicate, int ATimeoutMs = 10000);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString SettingsPath() const { return FDir.filePath(u"tarrow.ini"_s); }
    QString TempPath(const char* AName) const { return FDir.filePath(QString::fromUtf8(AName)); }
    // Writes the settings file from name=value lines.
    void WriteSettings(const QStringList& ALines) const;
    // A main window on the settings file, shown; its project list model is checked throughout.
    TTarrowMainForm& MakeWindow(const QStringList& AArguments = {u"tarrow"_s});
    // The same with options of the test's choosing (the run options are the fixture's).
    TTarrowMainForm& MakeWindow(TMainFormOptions AOptions);

    // Messages shown so far, as "title|text".
    QStringList FMessages;
    // The answers the next confirmations and Retry questions give (Yes when none is left for a
    // confirmation, Cancel for a Retry question): true, false or CloseWithoutSavingAnswer.
    std::deque<int> FAnswers;
    QStringList FOpenedFolders;
    QList<QUrl> FOpenedPages;
    // What the folder chooser returns (empty: cancelled), and where it was asked to start.
    QString FChosenFolder;
    QStringList FChooserStarts;
    QStringList FChooserTitles;
    QTemporaryDir FDir;
    std::unique_ptr<TTarrowMainForm> FWindow;
    std::unique_ptr<QAbstractItemModelTester> FModelTester;
    TRunOptions FRunOptions;
};

} // namespace tarrow::test
