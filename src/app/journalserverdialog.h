// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journalsettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// «Журнал на сервере…»: whether the journal lives on a PostgreSQL server and how to reach it. «Проверить
// соединение» opens the journal there and says how it went; OK writes "selvaro.ini" in the state
// directory. A password typed here is kept for this run only, never written.
class JournalServerDialog : public QDialog {
    Q_OBJECT
public:
    JournalServerDialog(const QString &stateDir, QWidget *parent = nullptr);

    // The settings as the dialog shows them, with the password typed for this run.
    JournalSettings settings() const;

    // Shows the dialog over parent; true when the settings were written (the journal is then to be
    // opened again with them).
    static bool edit(QWidget *parent, const QString &stateDir);

    // The password typed in this run, for the next opening of the server's journal.
    static QString runPassword();

    void accept() override;

private:
    void testConnection();

    QString m_stateDir;
    QCheckBox *m_onServer;
    QLineEdit *m_host;
    QSpinBox *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_result;
};
