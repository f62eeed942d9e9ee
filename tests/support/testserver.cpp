// SPDX-License-Identifier: GPL-3.0-or-later
#include "testserver.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace TestServer {
namespace {

const QString kSetup = QStringLiteral(SELVARO_SOURCE_DIR "/scripts/pg-setup.sh");

std::optional<JournalServer> named(const QString &database)
{
    if (qEnvironmentVariableIsEmpty("SELVARO_PG_HOST"))
        return std::nullopt;
    return JournalServer{qEnvironmentVariable("SELVARO_PG_HOST"), qEnvironmentVariableIntValue("SELVARO_PG_PORT"), database,
                         qEnvironmentVariable("SELVARO_PG_USER"), {}};
}

// Runs sql on a connection of the test's own; the driver's error, empty when it ran.
QString run(const JournalServer &server, const QString &sql)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("selvaro-test-server"));
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(server.database);
        db.setUserName(server.user);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        QSqlQuery q(db);
        if (!db.open() || !q.exec(sql))
            error = db.isOpen() ? q.lastError().text() : db.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("selvaro-test-server"));
    return error;
}

const QString kDatabase = QStringLiteral("selvaro_test_%1").arg(QCoreApplication::applicationPid());

} // namespace

std::optional<JournalServer> fresh(QString *why)
{
    const auto home = named(qEnvironmentVariable("SELVARO_PG_DB"));
    if (!home) {
        *why = QStringLiteral("No PostgreSQL server: SELVARO_PG_HOST is not set (scripts/test.sh starts one)");
        return std::nullopt;
    }
    static QString error = run(*home, QStringLiteral("CREATE DATABASE ") + kDatabase);
    if (error.contains(QLatin1String("already exists"))) // left by an earlier process of the same id
        error.clear();
    if (!error.isEmpty() || !exec(QStringLiteral("SET client_min_messages = warning; DROP SCHEMA public CASCADE; CREATE SCHEMA public"))) {
        *why = QStringLiteral("PostgreSQL server %1 cannot be used: %2").arg(serverLocation(*home), error);
        return std::nullopt;
    }
    return named(kDatabase);
}

bool exec(const QString &sql)
{
    const auto server = named(kDatabase);
    return server && run(*server, sql).isEmpty();
}

// The script makes the cluster in a new temporary directory, one the server's own user can reach
// when the tests run as root, and prints it last.
Cluster::Cluster()
{
    QProcess setup;
    setup.start(kSetup, {QStringLiteral("start")});
    if (setup.waitForFinished(120000) && setup.exitStatus() == QProcess::NormalExit && setup.exitCode() == 0)
        m_dir = QString::fromLocal8Bit(setup.readAllStandardOutput()).trimmed().section(u'\n', -1);
}

Cluster::~Cluster()
{
    if (started())
        script(QStringLiteral("remove"));
}

JournalServer Cluster::server() const
{
    const QSettings env(m_dir + QStringLiteral("/pg.env"), QSettings::IniFormat);
    return {QStringLiteral("127.0.0.1"), env.value(QStringLiteral("SELVARO_PG_PORT")).toInt(), QStringLiteral("selvaro"),
            QStringLiteral("selvaro"), {}};
}

bool Cluster::script(const QString &command) const
{
    return QProcess::execute(kSetup, {command, m_dir}) == 0;
}

} // namespace TestServer
