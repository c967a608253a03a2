#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QWidget;

namespace tarrow {

// The name of the local socket that the window of one settings file listens on: the user id and a
// hash of the file's canonical absolute path, so every spelling of one file meets and two users
// never do; in $XDG_RUNTIME_DIR (only its user may enter) where it is set, else in
// PrivateSocketFolder. Empty when there is no such folder.
QString InstanceServerName(const QString& ASettingsFile);
// "tarrow-" + user id in the temporary folder, mode 0700 and owned by the user, so another local
// user can neither take the socket's name nor reach it. Made when missing, its mode mended, and
// replaced when it is something else of the user's (a link, a file); empty (refused) when it
// belongs to another user or cannot be made.
QString PrivateSocketFolder();

// One window per settings file. The first instance listens on the file's socket; a later one finds
// it there and can ask it to bring its window forward. A socket that no one answers (left behind
// by a crashed instance) or that another user answers is removed and taken over. Without a safe
// place for the socket the instance is first and alone.
class TSingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const QString& ASettingsFile, QObject* AParent = nullptr);
    ~TSingleInstance() override;

    QString ServerName() const { return FServerName; }
    // True when this instance is (now) the settings file's first one; false when another answers.
    bool Claim();
    bool IsFirst() const;
    // A later instance: asks the first to bring its window forward; false when it could not.
    bool RequestRaise() const;
    // The first instance: the window that a raise request brings forward.
    void SetWindow(QWidget* AWindow) { FWindow = AWindow; }

Q_SIGNALS:
    void RaiseRequested();

private:
    bool Listen();
    void OnNewConnection();

    QString FServerName;
    std::unique_ptr<QLocalServer> FServer;
    bool FAlone = false;
    QPointer<QWidget> FWindow;
};

// Shows a window that was minimised or covered and makes it the active one.
void BringWindowForward(QWidget* AWindow);

// What the user chooses when the settings file is open in another window.
enum class TOpenChoice { ocBringForward, ocReadOnly, ocCancel };
using TOpenChoiceHandler = std::function<TOpenChoice(const QString& ASettingsFile)>;
// The question as a message box.
TOpenChoice AskOpenChoice(const QString& ASettingsFile);

// How the program goes on after claiming its settings file.
enum class TOpenMode { omEditable, omReadOnly, omExit };
// Claims the settings file; when another window has it, asks AAsk and acts on the answer: after
// bringing that window forward this program exits (unless that window has gone meanwhile, when
// this one takes the file).
TOpenMode ClaimSettingsFile(TSingleInstance& AInstance, const QString& ASettingsFile,
                            const TOpenChoiceHandler& AAsk);

} // namespace tarrow
