#include "statefiles.h"

// Placeholder bodies until the files are written.
void Start(const QString &, QString &, QString &) {}
QList<SaveFailure> Finish(const QString &, const QString &, const QString &) { return {}; }
QList<SaveFailure> saveNumber(const QString &, const QString &) { return {}; }
StatePlaces defaultStatePlaces() { return {}; }
void Start(const StatePlaces &, QString &, QString &) {}
QList<SaveFailure> Finish(const StatePlaces &, const QString &, const QString &) { return {}; }
QList<SaveFailure> saveNumber(const StatePlaces &, const QString &) { return {}; }
