// The settings file loader on any file content: it never crashes or hangs, and what it loads
// survives a save and a second load unchanged (equal projects, and saving twice writes the same
// bytes).
#include "base/uExceptions.h"
#include "fuzz/FuzzSupport.h"
#include "project/SettingsUnit.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

const QTemporaryDir& WorkDir() {
    // In memory where the system offers it: every run writes three small files.
    static const QTemporaryDir dir(QFile::exists(QStringLiteral("/dev/shm"))
                                       ? QStringLiteral("/dev/shm/tarrow-fuzz-XXXXXX")
                                       : QString());
    return dir;
}

QString WorkFile(const char* AName) {
    return WorkDir().filePath(QString::fromLatin1(AName));
}

void WriteFile(const QString& APath, const QByteArray& AData) {
    QFile file(APath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(AData) != AData.size())
        Fail("cannot write the fuzz input", APath);
}

QByteArray ReadFile(const QString& APath) {
    QFile file(APath);
    if (!file.open(QIODevice::ReadOnly))
        Fail("cannot read a saved file", APath);
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const QString input = WorkFile("input.ini");
    WriteFile(input, QByteArray(reinterpret_cast<const char*>(AData), qsizetype(ASize)));
    TSettingsModel model;
    try {
        LoadSettings(model, input);
    } catch (const Exception&) {
        return 0;
    }
    // The lists the window builds from a loaded file.
    ApplyGroupFilter(model);
    RefreshGroupItems(model);

    const QString first = WorkFile("first.ini");
    const QString second = WorkFile("second.ini");
    SaveSettings(model, first);
    TSettingsModel reloaded;
    LoadSettings(reloaded, first);
    SaveSettings(reloaded, second);
    FUZZ_CHECK(reloaded.Projects.Count() == model.Projects.Count(),
               QString::number(reloaded.Projects.Count()));
    for (int i = 0; i < model.Projects.Count(); ++i)
        FUZZ_CHECK(*reloaded.Projects.GetProject(i) == *model.Projects.GetProject(i),
                   model.Projects.GetProject(i)->ProjectName());
    const QByteArray a = ReadFile(first);
    const QByteArray b = ReadFile(second);
    FUZZ_CHECK(a == b, QStringLiteral("first save:\n%1\nsecond save:\n%2")
                           .arg(QString::fromUtf8(a), QString::fromUtf8(b)));
    return 0;
}
