#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QFormLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace tarrow {

class TWebsiteProject;

// An editor page of per-project options for crawling other people's sites. Each option is one
// row: its field, how the project fills it, how it is written back, and what makes it invalid.
// The options fill two pages, so that every field keeps a mnemonic of its own.
class TWebOptionsPage final : public QWidget {
    Q_OBJECT
public:
    enum class TKind { Access, Scope };
    TWebOptionsPage(TKind AKind, QWidget* AParent);
    // The page's tab caption.
    static QString Title(TKind AKind);

    void Fill(const TWebsiteProject& AProject);
    void Write(TWebsiteProject& AProject) const;
    // The first invalid field's message, with that field focused; empty when all are valid.
    QString Problem() const;
    bool IsEmpty() const { return FRows.empty(); }

private:
    using TGetFlag = std::function<bool(const TWebsiteProject&)>;
    using TSetFlag = std::function<void(TWebsiteProject&, bool)>;
    using TGetText = std::function<QString(const TWebsiteProject&)>;
    using TSetText = std::function<void(TWebsiteProject&, const QString&)>;
    using TGetNumber = std::function<int(const TWebsiteProject&)>;
    using TSetNumber = std::function<void(TWebsiteProject&, int)>;
    using TGetLines = std::function<QStringList(const TWebsiteProject&)>;
    using TSetLines = std::function<void(TWebsiteProject&, const QStringList&)>;
    // A text's problem, or empty when it is valid.
    using TCheckText = std::function<QString(const QString&)>;
    using TCheckLines = std::function<QString(const QStringList&)>;

    struct TRow {
        QWidget* Field = nullptr;
        std::function<void(const TWebsiteProject&)> Fill;
        std::function<void(TWebsiteProject&)> Write;
        std::function<QString()> Problem;
    };

    // ACaption carries the mnemonic; AName is the object name and the accessible name's source;
    // AHint says in one line what the row does (its tooltip and What's This help).
    QCheckBox* AddFlag(const QString& ACaption, const QString& AName, TGetFlag AGet, TSetFlag ASet,
                       const QString& AHint = QString());
    QLineEdit* AddText(const QString& ALabel, const QString& AName, TGetText AGet, TSetText ASet,
                       TCheckText ACheck = nullptr, const QString& AHint = QString());
    QSpinBox* AddNumber(const QString& ALabel, const QString& AName, int AMin, int AMax,
                        const QString& ASpecialText, TGetNumber AGet, TSetNumber ASet,
                        const QString& AHint = QString());
    QPlainTextEdit* AddLines(const QString& ALabel, const QString& AName, TGetLines AGet,
                             TSetLines ASet, TCheckLines ACheck = nullptr,
                             const QString& AHint = QString());
    QLabel* AddHint(const QString& AText);

    // The rows of each concern, added in this order.
    void AddPolitenessRows();
    void AddRequestRows();
    void AddScopeRows();
    void AddVerifyTLSRow();
    void AddRunRecordRows();

    QFormLayout* FForm = nullptr;
    std::vector<TRow> FRows;
};

} // namespace tarrow
