#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tarrow {

// Base of every error the system raises: a message meant for the run log or a message box.
// The class name stands in for the message when that is empty.
class Exception : public std::exception {
public:
    explicit Exception(QString AMessage)
        : FMessage(std::move(AMessage)), FWhat(FMessage.toUtf8()) {}
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FWhat.constData(); }
    virtual QString ClassName() const { return QStringLiteral("Exception"); }

private:
    QString FMessage;
    QByteArray FWhat;
};

#define TARROW_DECLARE_EXCEPTION(Name, Base)                                                       \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        QString ClassName() const override { return QStringLiteral(#Name); }                       \
    };

TARROW_DECLARE_EXCEPTION(EListError, Exception)
TARROW_DECLARE_EXCEPTION(EConvertError, Exception)
TARROW_DECLARE_EXCEPTION(EFileError, Exception)
TARROW_DECLARE_EXCEPTION(EFOpenError, EFileError)
TARROW_DECLARE_EXCEPTION(EFCreateError, EFileError)
TARROW_DECLARE_EXCEPTION(EInOutError, EFileError)

// "List index out of bounds (%d)"
[[noreturn]] void RaiseListIndexError(qsizetype AIndex);

// The message of any exception as the run log shows it; the type name when it carries none.
QString ExceptionMessage(const std::exception& E);

} // namespace tarrow
