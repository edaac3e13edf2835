#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

SingleInstance::SingleInstance(const QString &title, QObject *parent)
    : QObject(parent), m_name(socketName(title))
{
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    if (!m_server)
        return;
    m_server->close();     // also removes the socket file
    delete m_server;
    m_server = nullptr;
}

QString SingleInstance::socketName(const QString &title)
{
    // The title may hold any character; the socket name is kept plain.
    const QByteArray key = title.toUtf8() + '\0' + QByteArray::number(qulonglong(::getuid()));
    return QStringLiteral("mtrfee-") + QString::number(::getuid()) + QLatin1Char('-')
        + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(12));
}

bool SingleInstance::claim()
{
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(1000)) {
            probe.write("raise\n");
            probe.flush();
            probe.waitForBytesWritten(1000);
            probe.waitForReadyRead(1000); // the running instance answers once it is in front
            probe.disconnectFromServer();
            return false;
        }
    }
    // Nobody answered: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Still run alone rather than refuse to start.
        delete m_server;
        m_server = nullptr;
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, s, [this, s] {
                s->readAll();
                emit activationRequested();
                s->write("ok\n");
                s->flush();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}
