// The arrears over ten years of history (1,000,000 receipts, as the history
// cases seed them) of which the last two months of three households in ten
// are unpaid: the whole list, one community, one household over a range.
// Long (the seed takes a while): runs only when named, "arrears-1m".
#include "benchcommon.h"
#include "benchdb.h"

#include "data/demodm.h"
#include "data/paymentstore.h"

#include <QElapsedTimer>
#include <cstdio>

namespace {

const Bench::Register arrears1m(
    QStringLiteral("arrears-1m"),
    [] {
        QElapsedTimer seedTime;
        seedTime.start();
        BenchDatabase b;
        const int total = 1000000;
        b.seedHistory(total);
        // The seed's household of a row is ((iid - 1) % per month) % 2000.
        const int perMonth = (total + 119) / 120;
        b.exec(QStringLiteral("update P_ORDERDBAK set fkzt = '未付款' where nf = '2024' and yf in ('11', '12')"
                              " and ((iid - 1) % %1) % 2000 % 10 < 3")
                   .arg(perMonth));
        b.exec(QStringLiteral("analyze"));
        std::fprintf(stderr, "bench: seeded %d history rows in %.1f s\n", total, seedTime.elapsed() / 1000.0);

        struct Case
        {
            const char *name;
            Payments::ArrearsFilter filter;
        };
        const Case cases[] = {
            {"arrears-1m-all", {}},
            {"arrears-1m-community", {QStringLiteral("小区03"), {}, 0, 0}},
            {"arrears-1m-household-range", {{}, QStringLiteral("02-1-101"), Payments::period(2024, 1), Payments::period(2024, 12)}},
            {"arrears-1m-name-part", {{}, QStringLiteral("东区小区02"), 0, 0}},
        };
        for (const Case &c : cases) {
            Payments::Arrears a;
            const double ms = Bench::medianMs(7, [&] { a = Payments::arrears(b.dm(), c.filter); });
            std::fprintf(stderr, "bench: %s: %lld households, %d receipts, %.2f\n", c.name, qint64(a.lines.size()), a.count,
                         a.total);
            Bench::report(QString::fromLatin1(c.name), ms);
        }
    },
    true);

} // namespace
