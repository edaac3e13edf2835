#include "common/operation.h"

#include "common/apperror.h"
#include "common/dialogs.h"

#include <QString>

void Operation::run(const std::function<void()> &action)
{
    try {
        if (action)
            action();
    } catch (const AppError &e) {
        Dialogs::error(e.message());
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}
