#include "engine/CommandLineUnit.h"

#include <gtest/gtest.h>

using namespace tarrow;

namespace {

QStringList Args(std::initializer_list<const char*> AItems) {
    QStringList list{QStringLiteral("prog")};
    for (const char* item : AItems)
        list.append(QString::fromUtf8(item));
    return list;
}

TEST(CommandLine, StartAndCloseArgumentsOfTheWindow) {
    EXPECT_EQ(FindStartArgument(Args({"-start", "Blog,Shop"})), QStringLiteral("Blog,Shop"));
    EXPECT_EQ(FindStartArgument(Args({"-START", "a", "-x", "-start", "b"})), QStringLiteral("b"));
    EXPECT_EQ(FindStartArgument(Args({"-start", "a", "-start"})), QStringLiteral("a"));
    EXPECT_EQ(FindStartArgument(Args({"-start"})), QString());
    EXPECT_TRUE(HasCloseArgument(Args({"-start", "a", "-Close"})));
    EXPECT_FALSE(HasCloseArgument(Args({"-start", "a"})));
}

TEST(CommandLine, TarrowCliArguments) {
    TCommandLine c = ParseCommandLine(
        Args({"-settingsdir", "/cfg", "-outdir", "out", "-start", "Blog, Shop", "-appsettingsdir"}));
    EXPECT_TRUE(c.Error.isEmpty());
    EXPECT_EQ(c.OutDir, QStringLiteral("out"));
    EXPECT_EQ(c.StartNames, QStringLiteral("Blog, Shop"));
    c = ParseCommandLine(Args({"-config", "-outdir"}));
    EXPECT_TRUE(c.Error.isEmpty()); // "-outdir" is the config file's name here
    EXPECT_FALSE(c.HasOutDir);
    for (auto bad : {Args({"-outdir"}), Args({"-start", ""}), Args({"--bogus"}), Args({"x"})}) {
        SCOPED_TRACE(bad.join(u' ').toStdString());
        EXPECT_FALSE(ParseCommandLine(bad).Error.isEmpty());
    }
    EXPECT_TRUE(ParseCommandLine(Args({"--help"})).Help);
    EXPECT_TRUE(ParseCommandLine(Args({"--version"})).Version);
}

} // namespace
