#include "engine/uCookiesFile.h"

namespace tarrow {

namespace {

bool IsFlag(QByteArrayView AField) {
    return AField == "TRUE" || AField == "FALSE";
}

bool IsNumber(QByteArrayView AField) {
    if (AField.isEmpty() || AField.size() > 20)
        return false;
    for (char c : AField)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool IsCookieLine(const QByteArray& ALine) {
    const QList<QByteArray> fields = ALine.split('\t');
    // The value may be empty; the domain and the name may not.
    return fields.size() == 7 && !fields[0].isEmpty() && IsFlag(fields[1]) &&
           !fields[2].isEmpty() && IsFlag(fields[3]) && IsNumber(fields[4]) && !fields[5].isEmpty();
}

} // namespace

TCookiesFile ParseCookiesFile(QByteArrayView AContent) {
    TCookiesFile file;
    int number = 0;
    for (QByteArray line : AContent.toByteArray().split('\n')) {
        ++number;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith('#') && !line.startsWith("#HttpOnly_"))
            continue;
        // No cookie holds a NUL or a carriage return; the store would cut the line there.
        if (IsCookieLine(line) && !line.contains('\0') && !line.contains('\r'))
            file.Lines.append(line);
        else
            file.MalformedLines.append(number);
    }
    return file;
}

} // namespace tarrow
