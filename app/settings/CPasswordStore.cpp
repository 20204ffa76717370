#include "settings/CPasswordStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include <memory>

#include <string.h>

namespace {

constexpr int kDefaultTimeout = 60000;
int timeoutMilliseconds = kDefaultTimeout;

// The bus names that answer for secrets: the Secret Service, and KWallet, which QtKeychain
// speaks on KDE desktops.
const char16_t* const kSecretServices[] = {u"org.freedesktop.secrets", u"org.kde.kwalletd6", u"org.kde.kwalletd5"};

struct Outcome {
    bool done = false;
    QKeychain::Error error = QKeychain::NoError;
    QString text;
    QByteArray data;
};

void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) explicit_bzero(bytes.data(), static_cast<size_t>(bytes.size()));
    bytes.clear();
}

// Starts `job` and waits for it. The job deletes itself when it finishes, also one that is
// still running when the wait gives up.
CPasswordStore::Result Run(QKeychain::Job* job, QByteArray* data, QString* error)
{
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [outcome, &loop](QKeychain::Job* finished) {
        outcome->done = true;
        outcome->error = finished->error();
        outcome->text = finished->errorString();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(finished)) outcome->data = read->binaryData();
        loop.quit();
    });
    QTimer::singleShot(timeoutMilliseconds, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->done) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!outcome->done) {
        if (error) *error = QStringLiteral(u"キーリングが応答しません。");
        return CPasswordStore::NoKeyring;
    }
    if (error) *error = outcome->text;
    if (data) *data = outcome->data;
    Wipe(outcome->data);
    switch (outcome->error) {
    case QKeychain::NoError:
        return CPasswordStore::Ok;
    case QKeychain::EntryNotFound:
        return CPasswordStore::NotFound;
    case QKeychain::NoBackendAvailable:
        return CPasswordStore::NoKeyring;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        return CPasswordStore::Denied;
    default:
        return CPasswordStore::Failed;
    }
}

// Jobs need an application object and a keyring that answers; NoKeyring (or Failed without
// an application) when either is missing, Ok when the job may run.
CPasswordStore::Result Ready(QString* error)
{
    if (!QCoreApplication::instance()) {
        if (error) *error = QStringLiteral(u"QCoreApplication がありません。");
        return CPasswordStore::Failed;
    }
    if (!CPasswordStore::IsAvailable()) {
        if (error) *error = QStringLiteral(u"キーリング (Secret Service) が見つかりません。");
        return CPasswordStore::NoKeyring;
    }
    return CPasswordStore::Ok;
}

}  // namespace

QString CPasswordStore::ServiceName()
{
    return QStringLiteral(u"Quillon");
}

QString CPasswordStore::Key(long accountId)
{
    return QStringLiteral(u"Quillon/ACCOUNT/%1").arg(accountId);
}

void CPasswordStore::SetTimeout(int milliseconds)
{
    timeoutMilliseconds = milliseconds > 0 ? milliseconds : kDefaultTimeout;
}

bool CPasswordStore::IsAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    QDBusConnectionInterface* names = bus.interface();
    for (const char16_t* service : kSecretServices)
        if (names->isServiceRegistered(QString::fromUtf16(service)).value()) return true;
    const QDBusReply<QStringList> startable = names->activatableServiceNames();
    if (!startable.isValid()) return false;
    for (const char16_t* service : kSecretServices)
        if (startable.value().contains(QString::fromUtf16(service))) return true;
    return false;
}

CPasswordStore::Result CPasswordStore::Write(long accountId, const std::string& password, QString* error)
{
    if (password.size() > MaxPasswordBytes) {
        if (error) *error = QStringLiteral(u"パスワードは 64 バイトまでです。");
        return TooLong;
    }
    if (Result ready = Ready(error); ready != Ok) return ready;
    auto* job = new QKeychain::WritePasswordJob(ServiceName());
    job->setKey(Key(accountId));
    QByteArray bytes(password.data(), static_cast<qsizetype>(password.size()));
    job->setBinaryData(bytes);
    Wipe(bytes);
    return Run(job, nullptr, error);
}

CPasswordStore::Result CPasswordStore::Read(long accountId, std::string& password, QString* error)
{
    password.clear();
    if (Result ready = Ready(error); ready != Ok) return ready;
    auto* job = new QKeychain::ReadPasswordJob(ServiceName());
    job->setKey(Key(accountId));
    QByteArray bytes;
    Result result = Run(job, &bytes, error);
    if (result == Ok) password.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    Wipe(bytes);
    return result;
}

CPasswordStore::Result CPasswordStore::Remove(long accountId, QString* error)
{
    if (Result ready = Ready(error); ready != Ok) return ready;
    auto* job = new QKeychain::DeletePasswordJob(ServiceName());
    job->setKey(Key(accountId));
    Result result = Run(job, nullptr, error);
    return result == NotFound ? Ok : result;
}
