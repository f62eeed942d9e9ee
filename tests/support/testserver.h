// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serverjournal.h"

#include <optional>

// The test run's PostgreSQL server, named by SELVARO_PG_HOST, _PORT, _USER and _DB (scripts/pg-setup.sh
// writes them), where each test process works in a database of its own, "selvaro_test_<pid>".
namespace TestServer {

// This process's database, emptied of every table; nullopt and why when there is no server to use.
std::optional<JournalServer> fresh(QString *why);

// Runs one statement in this process's database; whether it ran.
bool exec(const QString &sql);

// A cluster of a test's own (scripts/pg-setup.sh) to stop and start again, removed with this object.
class Cluster {
public:
    Cluster();
    ~Cluster();
    bool started() const { return !m_dir.isEmpty(); }
    // Its database "selvaro" as its user "selvaro".
    JournalServer server() const;
    bool stop() { return script(QStringLiteral("stop")); }
    bool start() { return script(QStringLiteral("start")); }

private:
    bool script(const QString &command) const;
    QString m_dir;
};

} // namespace TestServer
