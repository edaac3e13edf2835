#include "app/startup.h"

#include "settings/global.h"
#include "app/orderform.h"
#include "app/singleinstance.h"
#include "backup/databasecopy.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "common/filereplace.h"
#include "data/demodm.h"
#include "login/formdl.h"
#include "login/formmmxg.h"
#include "print/spreadsheetengine.h"
#include "text/keyfilter.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTranslator>

#include <sys/stat.h>

namespace {

// Password fields show "*" for every character.
class TProgramStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QString backupFolder()
{
    return AppPaths::inProgramDir(QStringLiteral("backup"));
}

} // namespace

namespace Startup {

void prepareApplication(QApplication &app)
{
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setStyle(new TProgramStyle(QStyleFactory::create(QStringLiteral("Fusion"))));

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

int runSession(QApplication &app, SingleInstance &single)
{
    int rc = 0;
    {
        TGlobal global;            // reads the settings file; writes it when destroyed
        const QString settings = global.path();
        // A missing database is created anew only where the program never ran.
        TDemoDM::setCreationCheck([settings] { return isFirstStart(settings); });
        TDemoDM demoDM;            // the connection opens during start-up
        TOrderForm orderForm;
        TFormdl formdl(&orderForm);          // the reusable dialogs
        TFormmmxg formmmxg(&orderForm);
        // The spreadsheet application starts while the operator logs in, so
        // the first preview does not wait for it; a database that does not
        // open ends the program before it would start.
        formdl.onDatabaseOpened = [] { SpreadsheetEngine::startInBackground(); };
        setFormdl(&formdl);
        setFormmmxg(&formmmxg);
        QObject::connect(&single, &SingleInstance::activationRequested, &orderForm,
                         &TOrderForm::bringToFront);
        orderForm.show();          // runs FormShow once the loop starts
        rc = app.exec();
        setFormdl(nullptr);
        setFormmmxg(nullptr);
    }
    TDemoDM::setCreationCheck(nullptr);
    single.release();
    return rc;
}

QString latestBackup()
{
    const QFileInfoList files =
        QDir(backupFolder()).entryInfoList({QStringLiteral("*.db")}, QDir::Files | QDir::Readable, QDir::Time);
    for (const QFileInfo &f : files)
        if (f.size() > 0)
            return f.absoluteFilePath();
    return QString();
}

bool isFirstStart(const QString &settingsPath)
{
    return !TGlobal::writtenByProgram(settingsPath) && latestBackup().isEmpty();
}

bool databaseMissingAfterUse(const QString &settingsPath)
{
    return TDemoDM::databaseMissing(TDemoDM::databasePath()) && !isFirstStart(settingsPath);
}

bool offerRestoreOfMissingDatabase(const QString &settingsPath)
{
    const QString database = QDir::toNativeSeparators(TDemoDM::databasePath());
    const QString intro = QStringLiteral("数据库文件%1不存在或是空文件。程序以前在这里用过，新建数据库会使收据序号重新从00000001开始，所以不新建数据库。")
                              .arg(database);
    const QString backup = latestBackup();
    if (backup.isEmpty()) {
        Dialogs::message(intro
                         + QStringLiteral("\n备份文件夹%1中没有备份。请把数据库文件放回原处后再启动程序；如果确实要从头开始，请先删除设置文件%2。")
                               .arg(QDir::toNativeSeparators(backupFolder()), QDir::toNativeSeparators(settingsPath)));
        return false;
    }
    const QString when = QFileInfo(backup).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!Dialogs::question(intro
                           + QStringLiteral("\n是否用最新的备份%1（备份于%2）恢复数据？备份以后保存的收据不在其中。")
                                 .arg(QDir::toNativeSeparators(backup), when)))
        return false;

    QString why;
    const QString incoming = TDemoDM::databasePath() + QStringLiteral(".restore");
    const bool ok = DatabaseCopy::isSoundDatabase(backup, &why) && DatabaseCopy::copyFile(backup, incoming, &why)
        && ::chmod(QFile::encodeName(incoming).constData(), 0600) == 0
        && DatabaseCopy::isSoundDatabase(incoming, &why)
        && FileReplace::replace(incoming, TDemoDM::databasePath(), &why);
    if (!ok) {
        QFile::remove(incoming);
        Dialogs::message(QStringLiteral("数据恢复出错，没有恢复。\n") + why);
        return false;
    }
    Dialogs::message(QStringLiteral("数据已从备份恢复，请重新启动程序。"));
    return true;
}

} // namespace Startup
