// SPDX-License-Identifier: GPL-3.0-or-later
#include "testserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace TestServer {
namespace {

const QString kConnection = QStringLiteral("selvaro-test-server");

std::optional<JournalServer> named(const QString &database)
{
    const QString host = qEnvironmentVariable("SELVARO_PG_HOST");
    if (host.isEmpty())
        return std::nullopt;
    return JournalServer{host, qEnvironmentVariableIntValue("SELVARO_PG_PORT"), database,
                         qEnvironmentVariable("SELVARO_PG_USER"), {}};
}

// A statement on a connection of the test's own to database; the error's text, empty when it ran.
QString run(const JournalServer &server, const QString &sql)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(server.database);
        db.setUserName(server.user);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        QSqlQuery q(db);
        if (!db.open())
            error = db.lastError().text();
        else if (!q.exec(sql))
            error = q.lastError().text();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return error;
}

const QString kSetup = QStringLiteral(SELVARO_SOURCE_DIR "/scripts/pg-setup.sh");

QString databaseName()
{
    return QStringLiteral("selvaro_test_%1").arg(QCoreApplication::applicationPid());
}

} // namespace

std::optional<JournalServer> fresh(QString *why)
{
    const auto home = named(qEnvironmentVariable("SELVARO_PG_DB"));
    if (!home) {
        *why = QStringLiteral("No PostgreSQL server: SELVARO_PG_HOST is not set (scripts/test.sh starts one)");
        return std::nullopt;
    }
    static bool made = false;
    if (!made) {
        const QString error = run(*home, QStringLiteral("CREATE DATABASE %1").arg(databaseName()));
        if (!error.isEmpty() && !error.contains(QLatin1String("already exists"))) {
            *why = QStringLiteral("PostgreSQL server %1 cannot be used: %2").arg(serverLocation(*home), error);
            return std::nullopt;
        }
        made = true;
    }
    if (!exec(QStringLiteral("SET client_min_messages = warning; DROP SCHEMA public CASCADE; CREATE SCHEMA public"))) {
        *why = QStringLiteral("The test database on %1 cannot be emptied").arg(serverLocation(*home));
        return std::nullopt;
    }
    return named(databaseName());
}

Cluster::Cluster()
{
    // A directory the server's own user can reach when the tests run as root.
    m_dir = QDir::temp().filePath(QStringLiteral("selvaro-cluster-%1-%2").arg(QCoreApplication::applicationPid()).arg(quintptr(this)));
    QDir().mkpath(m_dir);
    QFile::setPermissions(m_dir, QFile::permissions(m_dir) | QFile::ExeOther | QFile::ExeGroup);
    m_started = start();
}

Cluster::~Cluster()
{
    QProcess::execute(kSetup, {QStringLiteral("remove"), m_dir});
}

bool Cluster::started(QString *why) const
{
    if (!m_started)
        *why = QStringLiteral("A PostgreSQL cluster of the test's own did not start (scripts/pg-setup.sh)");
    return m_started;
}

JournalServer Cluster::server() const
{
    const QSettings env(m_dir + QStringLiteral("/pg.env"), QSettings::IniFormat);
    return {QStringLiteral("127.0.0.1"), env.value(QStringLiteral("SELVARO_PG_PORT")).toInt(), QStringLiteral("selvaro"),
            QStringLiteral("selvaro"), {}};
}

bool Cluster::stop()
{
    return QProcess::execute(kSetup, {QStringLiteral("stop"), m_dir}) == 0;
}

bool Cluster::start()
{
    return QProcess::execute(kSetup, {QStringLiteral("start"), m_dir}) == 0;
}

bool exec(const QString &sql)
{
    const auto server = named(databaseName());
    return server && run(*server, sql).isEmpty();
}

} // namespace TestServer
