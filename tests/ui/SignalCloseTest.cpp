// SIGTERM, SIGINT and SIGHUP close the window as "Close" does, settings saved.
#include "tests/ui/UiTestSupport.h"

#include "ui/SignalCloseUnit.h"

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

} // namespace
