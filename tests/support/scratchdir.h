#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: AppPaths points at it for the
// lifetime of the object.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
