#include "benchcommon.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList filters = app.arguments().mid(1);
    return Bench::runAll(filters);
}
