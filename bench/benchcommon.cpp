#include "benchcommon.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace Bench {

std::vector<Case> &registry()
{
    static std::vector<Case> cases;
    return cases;
}

Register::Register(const QString &name, std::function<void()> run, bool namedOnly)
{
    registry().push_back({name, std::move(run), namedOnly});
}

double medianMs(int repeats, const std::function<void()> &work, const std::function<void()> &setup)
{
    std::vector<double> times;
    times.reserve(size_t(repeats));
    for (int i = 0; i < repeats; ++i) {
        if (setup)
            setup();
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

void report(const QString &name, double ms)
{
    std::printf("%s: %.3f ms\n", name.toUtf8().constData(), ms);
    std::fflush(stdout);
}

void reportValue(const QString &name, double value, const char *unit)
{
    std::printf("%s: %.1f %s\n", name.toUtf8().constData(), value, unit);
    std::fflush(stdout);
}

int runAll(const QStringList &filters)
{
    for (const Case &c : registry()) {
        bool wanted = filters.isEmpty() && !c.namedOnly;
        for (const QString &f : filters)
            wanted = wanted || c.name.contains(f);
        if (wanted)
            c.run();
    }
    return 0;
}

} // namespace Bench
