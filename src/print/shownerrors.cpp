#include "print/shownerrors.h"

#include "common/dialogs.h"
#include "common/operation.h"
#include "print/spreadsheetengine.h"

void RunShowingErrors(const std::function<void()> &work)
{
    // A missing spreadsheet engine is no failure of the work: it ends it
    // with the plain message that says what to install.
    Operation::run([&] {
        try {
            work();
        } catch (const EngineUnavailable &e) {
            Dialogs::message(e.message().isEmpty() ? kEngineMissingMessage : e.message());
        }
    });
}
