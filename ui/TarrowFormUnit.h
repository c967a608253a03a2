#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tarrow {

// The message boxes of the program. Tests replace them by a handler that records each message and
// gives the answer, so no box ever waits for a click there.
enum class TMessageKind { mkWarning, mkConfirm, mkError, mkInformation, mkRetry };

struct TMessage {
    TMessageKind Kind;
    QString Title;
    QString Text;
    // A Retry question on closing also offers "Close Without Saving".
    bool OffersClose = false;
};

// The answer of a Retry question that offers closing without saving.
constexpr int CloseWithoutSavingAnswer = 2;

// Returns the answer of a confirmation (true for Yes) or of an error that offers Retry (true for
// Retry, false for Cancel, CloseWithoutSavingAnswer where offered); ignored for the other kinds.
using TMessageHandler = std::function<int(const TMessage&)>;
// An empty handler brings the message boxes back.
void SetMessageHandler(TMessageHandler AHandler);

// The application's general error report: an error box titled "Tarrow".
void ShowError(QWidget* AParent, const QString& AMessage);
// An error titled "Tarrow" with Retry and Cancel; true exactly when Retry is chosen.
bool AskRetry(QWidget* AParent, const QString& AMessage);
enum class TSaveFailedChoice { scRetry, scCloseWithoutSaving, scCancel };
// An error titled "Tarrow" with Retry, Close Without Saving and Cancel (the default is Retry).
TSaveFailedChoice AskRetryOrClose(QWidget* AParent, const QString& AMessage);
// A notice for the user: an information box titled "Tarrow".
void ShowInformation(QWidget* AParent, const QString& AMessage);

// Base of the main window and the project editor: the boxes they share. The form is the widget
// the boxes belong to; their title is its current caption unless stated otherwise.
class TTarrowForm {
public:
    TTarrowForm(const TTarrowForm&) = delete;
    TTarrowForm& operator=(const TTarrowForm&) = delete;

    // A warning box with an OK button.
    void Warning(const QString& AMsg) const;
    // A question box with Yes and No (No the default); true exactly when Yes is chosen.
    bool Confirm(const QString& AConfirmTitle, const QString& AConfirmQuery) const;
    // True when AValue has at least one character (blanks count); otherwise warns
    // "Please, enter " + AName and returns false.
    bool CheckNotEmpty(const QString& AValue, const QString& AName) const;

protected:
    explicit TTarrowForm(QWidget* AForm) : FForm(AForm) {}
    ~TTarrowForm() = default;

private:
    QWidget* FForm;
};

} // namespace tarrow
