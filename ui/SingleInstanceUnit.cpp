#include "ui/SingleInstanceUnit.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarrow {

namespace {

const QByteArray RaiseMessage = QByteArrayLiteral("raise\n");
const int ConnectTimeoutMs = 1000;

// The file need not exist yet: then its folder is made canonical, or the path is only cleaned.
QString CanonicalPath(const QString& AFile) {
    const QFileInfo info(AFile);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absoluteDir().canonicalPath();
    if (!folder.isEmpty())
        return folder + u'/' + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

// A connected socket whose other end runs as another user.
bool PeerIsOtherUser(const QLocalSocket& ASocket) {
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (getsockopt(int(ASocket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return true; // unknown is not ours
    return peer.uid != getuid();
}

} // namespace

QString PrivateSocketFolder() {
    const QString folder = QDir::tempPath() + QStringLiteral("/tarrow-%1").arg(uint(getuid()));
    const QByteArray path = QFile::encodeName(folder);
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat info = {};
        if (lstat(path.constData(), &info) != 0) {
            if (errno != ENOENT || (mkdir(path.constData(), 0700) != 0 && errno != EEXIST))
                return QString();
            continue; // look again at what is there now
        }
        if (info.st_uid != getuid())
            return QString();
        if (!S_ISDIR(info.st_mode)) {
            if (unlink(path.constData()) != 0)
                return QString();
            continue;
        }
        if ((info.st_mode & 07777) != 0700 && chmod(path.constData(), 0700) != 0)
            return QString();
        return folder;
    }
    return QString();
}

QString InstanceServerName(const QString& ASettingsFile) {
    const QByteArray hash =
        QCryptographicHash::hash(CanonicalPath(ASettingsFile).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const QString name =
        QStringLiteral("tarrow-%1-%2").arg(uint(getuid())).arg(QString::fromLatin1(hash));
    // The user's private runtime folder where there is one; else a private one of our own.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder =
        !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : PrivateSocketFolder();
    return folder.isEmpty() ? QString() : folder + u'/' + name;
}

TSingleInstance::TSingleInstance(const QString& ASettingsFile, QObject* AParent)
    : QObject(AParent), FServerName(InstanceServerName(ASettingsFile)) {}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::IsFirst() const {
    return FAlone || (FServer && FServer->isListening());
}

bool TSingleInstance::Listen() {
    // No socket options: with them the socket is renamed into place, replacing a live one.
    FServer = std::make_unique<QLocalServer>();
    connect(FServer.get(), &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
    if (FServer->listen(FServerName))
        return true;
    const bool inUse = FServer->serverError() == QAbstractSocket::AddressInUseError;
    if (!inUse)
        qWarning("Cannot listen on %s: %s", qPrintable(FServerName),
                 qPrintable(FServer->errorString()));
    FServer.reset();
    return !inUse;
}

bool TSingleInstance::Claim() {
    if (IsFirst())
        return true;
    if (FServerName.isEmpty()) {
        qWarning("No private folder for the window's socket: other windows are not looked for.");
        FAlone = true;
        return true;
    }
    // Listening first: two instances started together cannot both succeed.
    if (Listen())
        return true;
    QLocalSocket probe;
    probe.connectToServer(FServerName);
    if (probe.waitForConnected(ConnectTimeoutMs) && !PeerIsOtherUser(probe))
        return false;
    // Nobody of ours answers: what is left of a crashed instance, or a stranger's.
    probe.abort();
    QLocalServer::removeServer(FServerName);
    return Listen();
}

bool TSingleInstance::RequestRaise() const {
    if (FServerName.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(FServerName);
    // Another user's socket never hears from us.
    if (!socket.waitForConnected(ConnectTimeoutMs) || PeerIsOtherUser(socket))
        return false;
    socket.write(RaiseMessage);
    const bool written = socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    return written;
}

void TSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != RaiseMessage)
                    continue;
                if (FWindow)
                    BringWindowForward(FWindow);
                Q_EMIT RaiseRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

void BringWindowForward(QWidget* AWindow) {
    // A window hidden while its run ends is closing: nothing to show.
    if (!AWindow->isVisible())
        return;
    if (AWindow->isMinimized())
        AWindow->showNormal();
    AWindow->raise();
    AWindow->activateWindow();
}

TOpenChoice AskOpenChoice(const QString& ASettingsFile) {
    QMessageBox box;
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QStringLiteral("Tarrow"));
    box.setText(TSingleInstance::tr("The settings file \"%1\" is open in another Tarrow window.")
                    .arg(QDir::toNativeSeparators(ASettingsFile)));
    box.setInformativeText(TSingleInstance::tr(
        "Bring that window forward, or open this one read-only (nothing it changes is saved)?"));
    QPushButton* forward =
        box.addButton(TSingleInstance::tr("&Bring Forward"), QMessageBox::AcceptRole);
    QPushButton* readOnly =
        box.addButton(TSingleInstance::tr("Open &Read-Only"), QMessageBox::NoRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(forward);
    box.exec();
    if (box.clickedButton() == forward)
        return TOpenChoice::ocBringForward;
    if (box.clickedButton() == readOnly)
        return TOpenChoice::ocReadOnly;
    return TOpenChoice::ocCancel;
}

TOpenMode ClaimSettingsFile(TSingleInstance& AInstance, const QString& ASettingsFile,
                            const TOpenChoiceHandler& AAsk) {
    if (AInstance.Claim())
        return TOpenMode::omEditable;
    switch (AAsk(ASettingsFile)) {
    case TOpenChoice::ocBringForward:
        // The other window may have closed meanwhile: then this one takes the file.
        if (AInstance.RequestRaise())
            return TOpenMode::omExit;
        return AInstance.Claim() ? TOpenMode::omEditable : TOpenMode::omExit;
    case TOpenChoice::ocReadOnly:
        return TOpenMode::omReadOnly;
    case TOpenChoice::ocCancel:
        break;
    }
    return TOpenMode::omExit;
}

} // namespace tarrow
