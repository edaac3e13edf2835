#include "app/singleinstance.h"
#include "app/startup.h"
#include "common/apppaths.h"
#include "common/dialogs.h"
#include "print/spreadsheetengine.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup::prepareApplication(app);
    Dialogs::installProcessTestLog();

    // A second start brings the running window to the front and ends here,
    // before the settings or the database are touched.
    SingleInstance single(QString::fromLatin1(Startup::kAppTitle));
    if (!single.claim())
        return 0;

    // Where the files live, ready before anything is written.
    if (!AppPaths::prepareProgramDir())
        return 1;

    const int rc = Startup::runSession(app, single);
    SpreadsheetEngine::shutdown();
    return rc;
}
