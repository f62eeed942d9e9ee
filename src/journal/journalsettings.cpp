// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalsettings.h"

#include <QDir>
#include <QSettings>

namespace {

const QString kPostgres = QStringLiteral("postgresql");

QString settingsPath(const QString &dir)
{
    return QDir(dir).filePath(QString::fromLatin1(kSettingsFileName));
}

} // namespace

JournalSettings readJournalSettings(const QString &dir)
{
    QSettings file(settingsPath(dir), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("journal"));
    JournalSettings settings;
    settings.driver = file.value(QStringLiteral("driver"), settings.driver).toString().trimmed().toLower();
    settings.server.host = file.value(QStringLiteral("host"), QStringLiteral("localhost")).toString();
    settings.server.port = file.value(QStringLiteral("port"), settings.server.port).toInt();
    settings.server.database = file.value(QStringLiteral("database"), QStringLiteral("selvaro")).toString();
    settings.server.user = file.value(QStringLiteral("user")).toString();
    return settings;
}

JournalStatus writeJournalSettings(const QString &dir, const JournalSettings &settings)
{
    QDir().mkpath(dir);
    QSettings file(settingsPath(dir), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("journal"));
    file.setValue(QStringLiteral("driver"), settings.driver);
    file.setValue(QStringLiteral("host"), settings.server.host);
    file.setValue(QStringLiteral("port"), settings.server.port);
    file.setValue(QStringLiteral("database"), settings.server.database);
    file.setValue(QStringLiteral("user"), settings.server.user);
    file.remove(QStringLiteral("password"));
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError)
        return JournalStatus::failure(QStringLiteral("Настройки не записаны в «%1»: файл недоступен для записи.").arg(file.fileName()));
    return {};
}

std::unique_ptr<Journal> openJournal(const JournalSettings &settings, const QString &dir, JournalStatus *status)
{
    const QString local = QDir(dir).filePath(QString::fromLatin1(kJournalFileName));
    if (settings.driver == kPostgres)
        return openServerJournal(settings.server, local, status);
    if (settings.driver == QLatin1String("sqlite"))
        return openSqliteJournal(local, status);
    if (status)
        *status = JournalStatus::failure(QStringLiteral("В «%1» указан неизвестный журнал: driver=%2 (возможны sqlite и postgresql).")
                                             .arg(settingsPath(dir), settings.driver));
    return nullptr;
}
