#pragma once

#include <QString>

// One receipt as the three receipt tables (current, history, deleted) hold
// it, column by column; the members carry the columns' names in lower case.
// A default row holds the values every new receipt is stored with in the
// columns that no field of the entry form fills.
struct ReceiptRow
{
    qint64 iid = 0;   // the key, given by the database
    qint64 billid = 1;
    qint64 itemno = 1;
    qint64 goodsid = 1;
    double qty = 1;
    double price = 1;
    double taxrate = 1;
    double disc = 1;
    double exeqty = 1;
    qint64 stoped = 1;
    qint64 canceled = 1;
    QString rq;                                   // the date, as stored (see DateText::fromDateTime)
    QString jkdw = QStringLiteral("1");
    QString sjxh;                                 // the serial number
    QString sppy = QStringLiteral("    ");
    QString bzsm = QStringLiteral("    ");
    QString zg = QStringLiteral("  ");
    QString kj = QStringLiteral("  ");
    QString skr;                                  // payee
    double cost = 0;                              // total
    qint64 pxxh = 1;                              // sort index
    QString lbmc;                                 // category
    QString fkzt;                                 // paid or not
    QString cmc;                                  // community
    QString nf;                                   // billing year
    QString yf;                                   // billing month
    QString bzsm1;                                // description
    QString bhmc;                                 // household name
    QString bhh;                                  // household number
    double sccjd = 0;                             // electricity: last month's reading
    double bccjd = 0;                             // this month's reading
    double bl = 1;
    double cjdl = 0;                              // usage
    double bdl = 0;
    double hbdl = 0;
    double hjdl = 0;
    double dj = 0;                                // unit price
    QString cbr;                                  // meter reader
    double sccjds = 0;                            // water: last month's reading
    double bccjds = 0;                            // this month's reading
    double cjdls = 0;                             // usage
    double djs = 0;                               // unit price
    double jed = 0;                               // electricity amount
    double jes = 0;                               // water amount
    double shsld = 0;                             // electricity loss
    double shsls = 0;                             // water loss
    double qtfy = 0;                              // other fees
    double fzfy = 0;                              // rent

    bool operator==(const ReceiptRow &) const = default;
};
