// Runs the program's start-up as the installed executable does, from the
// folder it is copied into (an installation's usr/bin): the program folder is
// decided and readied, the operator logs in through the login dialog, a
// receipt is previewed and saved, and the window closes. installed_layout.sh
// copies this beside the extracted package's executable, runs it as an
// ordinary user and checks the files it leaves.
#include "settings/global.h"
#include "app/orderform.h"
#include "app/startup.h"
#include "common/apppaths.h"
#include "data/demodm.h"
#include "entry/currentreceipts.h"
#include "entry/entryfield.h"
#include "entry/entrytab.h"
#include "entry/zozudexcombobox.h"
#include "login/formdl.h"
#include "print/receiptpreview.h"
#include "print/receiptprint.h"
#include "print/spreadsheetengine.h"
#include "recordingdialogs.h"
#include "controls.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

class InstallCheck : public QObject
{
    Q_OBJECT

private slots:
    void programFolderIsTheUsersDataFolder()
    {
        Startup::prepareApplication(*static_cast<QApplication *>(QCoreApplication::instance()));
        AppPaths::setExecutableName(QStringLiteral("mtrfee"));
        RecordingDialogs dialogs;
        QVERIFY(AppPaths::prepareProgramDir());
        QCOMPARE(dialogs.texts(), QStringList());
        const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
        QVERIFY2(!xdg.isEmpty(), "run with XDG_DATA_HOME set");
        QCOMPARE(AppPaths::programDir(), QDir::cleanPath(xdg + QStringLiteral("/mtrfee")));
        QVERIFY(QFileInfo(AppPaths::inProgramDir(kTemplateFileName)).isFile());
        QCOMPARE(TGlobal::defaultPath(), AppPaths::inProgramDir(QStringLiteral("mtrfee.ini")));
        QCOMPARE(QFileInfo(AppPaths::helpDocumentPath()).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/mtrfee/help/index.html"))
                     .canonicalFilePath());
    }

    void loginPreviewAndSave()
    {
        SpreadsheetEngine::startInBackground();
        RecordingDialogs dialogs;
        {
            TGlobal global;
            TDemoDM demoDM;
            TOrderForm window;
            TFormdl formdl(&window);
            setFormdl(&formdl);

            // The operator logs in as the new database's employee.
            QTimer login;
            login.setInterval(50);
            connect(&login, &QTimer::timeout, &formdl, [&] {
                if (!formdl.isVisible())
                    return;
                login.stop();
                control<QComboBox>(&formdl, "ComboBox1")->setEditText(QStringLiteral("admin"));
                control<QLineEdit>(&formdl, "Edit1")->setText(QStringLiteral("888888"));
                QTest::mouseClick(control<QPushButton>(&formdl, "BitBtn1"), Qt::LeftButton);
            });
            login.start();
            window.show();
            QTRY_VERIFY_WITH_TIMEOUT(window.startupDone(), 60000);
            QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));

            QWidget *f = window.entryTab();
            global.str_dj = QStringLiteral("0.5");
            control<TEntryField>(f, "Edit28")->setFieldText(QStringLiteral("0.5"));
            control<TEntryField>(f, "Edit33")->setFieldText(QStringLiteral("2"));
            control<TZozudExComboBox>(f, "edit41")->setEditText(QStringLiteral("安装户"));
            control<TEntryField>(f, "Edit20")->setFieldText(QStringLiteral("9-101"));
            control<TEntryField>(f, "Edit21")->setFieldText(QStringLiteral("150"));
            control<TEntryField>(f, "Edit22")->setFieldText(QStringLiteral("100"));
            control<TEntryField>(f, "Edit30")->setFieldText(QStringLiteral("35"));
            control<TEntryField>(f, "Edit31")->setFieldText(QStringLiteral("20"));
            control<TEntryField>(f, "Edit37")->setFieldText(QStringLiteral("100"));
            control<QComboBox>(f, "cbskr")->setEditText(QStringLiteral("收款员"));

            // Preview: the filled copy in the data folder, shown in the window.
            window.previewReceipt();
            QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));
            QVERIFY(window.receiptPrinting()->previewWindow());
            QVERIFY(QFileInfo(AppPaths::inProgramDir(kPreviewFileName)).isFile());

            // Save.
            window.currentReceipts()->SpeedButton1Click();
            QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));
            QCOMPARE(DemoDM().qcx.count(QStringLiteral("select count(*) as expr1001 from P_ORDERD where bhmc= :n"),
                                        {{"n", QStringLiteral("安装户")}}),
                     qint64(1));

            window.receiptPrinting()->closePreview();
            window.close();
            setFormdl(nullptr);
        } // the settings file is written here
        QVERIFY2(dialogs.count() == 0, qPrintable(dialogs.texts().join(QLatin1Char('|'))));
        QVERIFY(QFileInfo(AppPaths::inProgramDir(QStringLiteral("mtrfee.ini"))).isFile());
        SpreadsheetEngine::shutdown();
    }
};

QTEST_MAIN(InstallCheck)
#include "installcheck.moc"
