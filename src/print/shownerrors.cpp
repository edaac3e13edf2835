#include "print/shownerrors.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "print/spreadsheetengine.h"

void RunShowingErrors(const std::function<void()> &work)
{
    try {
        work();
    } catch (const EngineUnavailable &e) {
        Dialogs::message(e.message().isEmpty() ? kEngineMissingMessage : e.message());
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    }
}
