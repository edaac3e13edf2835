#include "app/global.h"
#include "app/orderform.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "common/apppaths.h"
#include "data/demodm.h"
#include "login/formdl.h"
#include "login/formmmxg.h"
#include "print/spreadsheetengine.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup::prepareApplication(app);

    // A second start brings the running window to the front and ends here,
    // before the settings or the database are touched.
    SingleInstance single(QString::fromLatin1(Startup::kAppTitle));
    if (!single.claim())
        return 0;

    // Where the files live, ready before anything is written.
    if (!AppPaths::prepareProgramDir())
        return 1;

    // The spreadsheet application starts while the operator logs in, so the
    // first preview does not wait for it.
    SpreadsheetEngine::startInBackground();

    int rc = 0;
    {
        TGlobal global;            // reads the settings file; writes it when destroyed
        TDemoDM demoDM;            // the connection opens during start-up
        TOrderForm orderForm;
        TFormdl formdl(&orderForm);          // the reusable dialogs
        TFormmmxg formmmxg(&orderForm);
        setFormdl(&formdl);
        setFormmmxg(&formmmxg);
        QObject::connect(&single, &SingleInstance::activationRequested, &orderForm,
                         &TOrderForm::bringToFront);
        orderForm.show();          // runs FormShow once the loop starts
        rc = app.exec();
    }
    SpreadsheetEngine::shutdown();
    return rc;
}
