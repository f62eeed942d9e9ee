// Saves the two state files over and over, for the tests that kill or race a saving process.
// Usage: statesaver <dir> <tag> <first> <count>
#include "savetexts.h"
#include "statefiles.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    const QString dir = args[1];
    const QString tag = args[2];
    const int first = args[3].toInt();
    const int count = args[4].toInt();
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    int failed = 0;
    for (int i = first; i < first + count; ++i)
        failed += int(Finish(dir, savedHeader(tag, i), savedNumber(tag, i)).size());
    return failed == 0 ? 0 : 1;
}
