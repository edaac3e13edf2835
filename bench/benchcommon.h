#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A tiny benchmark harness: each case registers itself with a name; the
// program runs the cases whose name contains one of the arguments (all
// without arguments, except the long cases registered as named-only) and
// prints one figure a line, "name: <median> ms".
namespace Bench {

struct Case
{
    QString name;
    std::function<void()> run;
    bool namedOnly = false;   // runs only when an argument names it
};

std::vector<Case> &registry();

struct Register
{
    Register(const QString &name, std::function<void()> run, bool namedOnly = false);
};

// Times `work` `repeats` times (with `setup` before each, untimed) and
// returns the median in milliseconds.
double medianMs(int repeats, const std::function<void()> &work,
                const std::function<void()> &setup = {});

void report(const QString &name, double ms);
// A figure in another unit: "name: <value> <unit>".
void reportValue(const QString &name, double value, const char *unit);

int runAll(const QStringList &filters);

} // namespace Bench
