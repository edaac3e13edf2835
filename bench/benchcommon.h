#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A tiny benchmark harness: each case registers itself with a name; the
// program runs the cases whose name contains one of the arguments (all
// without arguments) and prints one figure a line, "name: <median> ms".
namespace Bench {

struct Case
{
    QString name;
    std::function<void()> run;
};

std::vector<Case> &registry();

struct Register
{
    Register(const QString &name, std::function<void()> run);
};

// Times `work` `repeats` times (with `setup` before each, untimed) and
// returns the median in milliseconds.
double medianMs(int repeats, const std::function<void()> &work,
                const std::function<void()> &setup = {});

void report(const QString &name, double ms);

int runAll(const QStringList &filters);

} // namespace Bench
