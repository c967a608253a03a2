#include "base/uExceptions.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <new>
#include <typeinfo>

namespace tarrow {

void RaiseListIndexError(qsizetype AIndex) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
}

static QString DemangledTypeName(const std::exception& E) {
    const char* mangled = typeid(E).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return QString::fromUtf8(status == 0 && demangled ? demangled.get() : mangled);
}

QString ExceptionMessage(const std::exception& E) {
    if (const auto* own = dynamic_cast<const Exception*>(&E)) {
        if (!own->Message().isEmpty())
            return own->Message();
        return own->ClassName();
    }
    if (dynamic_cast<const std::bad_alloc*>(&E))
        return QStringLiteral("Out of memory");
    QString msg = QString::fromUtf8(E.what());
    if (msg.isEmpty() || msg == QLatin1String("std::exception"))
        return DemangledTypeName(E);
    return msg;
}

} // namespace tarrow
