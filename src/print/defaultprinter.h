#pragma once

#include <QString>

// The default printer of the system (the default CUPS destination).
namespace DefaultPrinter {

// The name of the default destination, or "" when none is set.
QString name();

// Sends the PDF file at path to the default printer as one job and returns
// the job's number. Throws AppError when there is no default printer or the
// job is refused.
int printPdf(const QString &pdfPath, const QString &title);

inline const QString kNoDefaultPrinterMessage =
    QStringLiteral("没有默认打印机，请先在系统中设置一台默认打印机。");

} // namespace DefaultPrinter
