#include "app/startup.h"

#include "text/keyfilter.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

namespace Startup {

void prepareApplication(QApplication &app)
{
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kAppTitle));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // 宋体 at 14 pixels where it exists, otherwise the CJK font of the system.
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(14);
    QApplication::setFont(font);

    // Dates and numbers of the program are formatted by its own routines;
    // the locale only chooses the language of Qt's standard dialogs.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto *tr = new QTranslator(&app);
        if (tr->load(QString::fromLatin1(name), dir))
            QApplication::installTranslator(tr);
        else
            delete tr;
    }

    SetBeepHook([] { QApplication::beep(); });
}

} // namespace Startup
