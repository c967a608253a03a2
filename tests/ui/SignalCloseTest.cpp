// SIGTERM, SIGINT and SIGHUP close the window as "Close" does, settings saved.
#include "tests/ui/UiTestSupport.h"

#include "ui/EditProjectUnit.h"
#include "ui/SignalCloseUnit.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <csignal>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

class SignalClose : public UiTest {};

TEST_F(SignalClose, EachSignalClosesTheWindowAndSavesTheSettings) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        struct sigaction before = {};
        sigaction(signal, nullptr, &before);
        {
            TTarrowMainForm& window = MakeWindow();
            const TSignalClose closer(&window);
            const QString outDir = QStringLiteral("/sites/%1").arg(signal);
            window.Controls().OutDirEdit->setText(outDir);
            ASSERT_EQ(raise(signal), 0);
            ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
            QFile file(SettingsPath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(u"OutDir="_s + outDir));
        }
        struct sigaction after = {};
        sigaction(signal, nullptr, &after);
        EXPECT_EQ(after.sa_handler, before.sa_handler); // the previous handler is back
    }
}

// A signal while the editor is open cancels it and closes the window, settings saved.
TEST_F(SignalClose, ASignalClosesTheWindowWhileTheEditorIsOpen) {
    TTarrowMainForm& window = MakeWindow();
    const TSignalClose closer(&window, [&] { window.CloseBySignal(); });
    window.Controls().OutDirEdit->setText(u"/sites/editor"_s);
    TEditProjectForm& editor = window.EditProjectForm();
    bool closed = false;
    WhenModal(&editor, [&] {
        Child<QLineEdit>(&editor, "ProjectNameEdit")->setText(u"Typed"_s);
        EXPECT_EQ(raise(SIGTERM), 0);
        closed = WaitFor([&] { return !window.isVisible() && !editor.isVisible(); });
    });
    window.Controls().AddProjectAction->trigger();
    EXPECT_TRUE(closed);
    EXPECT_EQ(window.Projects().Count(), 0);
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(u"OutDir=/sites/editor"_s));
}

} // namespace
