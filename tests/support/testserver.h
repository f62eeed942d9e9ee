// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serverjournal.h"

#include <optional>

// The PostgreSQL server of the test run, named by SELVARO_PG_HOST, SELVARO_PG_PORT, SELVARO_PG_USER and
// SELVARO_PG_DB (scripts/pg-setup.sh writes them; scripts/test.sh and .ci/run start such a server).
// Each test process works in a database of its own, "selvaro_test_<pid>", made on first use and left
// for the throwaway server to take with it.
namespace TestServer {

// The server with this process's database, emptied of every table; nullopt and why it cannot be used.
std::optional<JournalServer> fresh(QString *why);

// Runs one statement in this process's database as the test user; false when it failed.
bool exec(const QString &sql);

// A PostgreSQL cluster of a test's own (scripts/pg-setup.sh), to be stopped and started again while the
// test runs; removed with this object.
class Cluster {
public:
    Cluster();
    ~Cluster();
    // Whether it runs; when it did not start, why.
    bool started(QString *why) const;
    // Its database "selvaro" as its user "selvaro".
    JournalServer server() const;
    bool stop();
    bool start();

private:
    QString m_dir;
    bool m_started = false;
};

} // namespace TestServer
