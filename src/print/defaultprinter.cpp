#include "print/defaultprinter.h"

#include "common/apperror.h"

#include <QFile>

#include <cups/cups.h>

namespace DefaultPrinter {

QString name()
{
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QString result;
    if (cups_dest_t *dest = cupsGetDest(nullptr, nullptr, count, dests))
        result = QString::fromUtf8(dest->name);
    cupsFreeDests(count, dests);
    return result;
}

int printPdf(const QString &pdfPath, const QString &title)
{
    if (!QFile::exists(pdfPath))
        throw AppError(QStringLiteral("找不到要打印的文件：%1").arg(pdfPath));
    const QString printer = name();
    if (printer.isEmpty())
        throw AppError(kNoDefaultPrinterMessage);
    cups_option_t *options = nullptr;
    int numOptions = 0;
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.toUtf8().constData(),
                                   QFile::encodeName(pdfPath).constData(), title.toUtf8().constData(),
                                   numOptions, options);
    cupsFreeOptions(numOptions, options);
    if (job <= 0)
        throw AppError(QStringLiteral("打印机“%1”没有接受打印任务：%2")
                           .arg(printer, QString::fromUtf8(cupsLastErrorString())));
    return job;
}

} // namespace DefaultPrinter
