#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Makes sure one instance runs per user. The first instance listens on a
// local socket named for the title and the user; a later one connects,
// asks it to come to the front and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &title, QObject *parent = nullptr);
    ~SingleInstance() override;

    static QString socketName(const QString &title);

    // True when this process is the one instance (it now listens). False when
    // another instance answered; it has been asked to come to the front.
    bool claim();
    // Gives the claim up: a start from now on runs as the one instance.
    void release();

signals:
    void activationRequested();

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};
