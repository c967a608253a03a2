// The cookies-file reader on any text: every line is either taken, skipped as a comment or blank,
// or reported by its number, once; a taken line reads back as itself.
#include "engine/uCookiesFile.h"
#include "fuzz/FuzzSupport.h"

using namespace tarrow;
using namespace tarrow::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const QByteArray text = in.Rest();
    const QString detail = QStringLiteral("text \"%1\"").arg(QString::fromLatin1(text.left(300)));
    const TCookiesFile file = ParseCookiesFile(text);
    const qsizetype lines = text.count('\n') + 1;
    FUZZ_CHECK(file.Lines.size() + file.MalformedLines.size() <= lines, detail);
    int previous = 0;
    for (const int number : file.MalformedLines) {
        FUZZ_CHECK(previous < number && number <= lines, detail);
        previous = number;
    }
    for (const QByteArray& line : file.Lines) {
        FUZZ_CHECK(!line.contains('\n') && line.count('\t') == 6, detail);
        FUZZ_CHECK(ParseCookiesFile(line).Lines == QList<QByteArray>{line}, detail);
    }
    return 0;
}
