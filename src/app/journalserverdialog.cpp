// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalserverdialog.h"
#include "messagebox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

QString &typedPassword()
{
    static QString password;
    return password;
}

} // namespace

JournalServerDialog::JournalServerDialog(const QString &stateDir, QWidget *parent)
    : QDialog(parent), m_stateDir(stateDir), m_onServer(new QCheckBox(QStringLiteral("Вести журнал на сервере PostgreSQL"), this)),
      m_host(new QLineEdit(this)), m_port(new QSpinBox(this)), m_database(new QLineEdit(this)), m_user(new QLineEdit(this)),
      m_password(new QLineEdit(this)), m_result(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Журнал на сервере"));
    const JournalSettings stored = readJournalSettings(stateDir);
    m_onServer->setObjectName(QStringLiteral("onServer"));
    m_onServer->setChecked(stored.driver == QLatin1String("postgresql"));
    m_host->setObjectName(QStringLiteral("host"));
    m_host->setText(stored.server.host);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, 65535);
    m_port->setValue(stored.server.port);
    m_database->setObjectName(QStringLiteral("database"));
    m_database->setText(stored.server.database);
    m_user->setObjectName(QStringLiteral("user"));
    m_user->setText(stored.server.user);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setText(typedPassword());
    m_password->setPlaceholderText(QStringLiteral("из файла паролей PostgreSQL"));
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Сервер:"), m_host);
    form->addRow(QStringLiteral("Порт:"), m_port);
    form->addRow(QStringLiteral("База данных:"), m_database);
    form->addRow(QStringLiteral("Пользователь:"), m_user);
    form->addRow(QStringLiteral("Пароль (не сохраняется):"), m_password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *test = buttons->addButton(QStringLiteral("Проверить соединение"), QDialogButtonBox::ActionRole);
    test->setObjectName(QStringLiteral("testConnection"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_onServer);
    layout->addLayout(form);
    layout->addWidget(m_result);
    layout->addWidget(buttons);

    const auto enable = [this] {
        for (QWidget *field : {static_cast<QWidget *>(m_host), static_cast<QWidget *>(m_port), static_cast<QWidget *>(m_database),
                               static_cast<QWidget *>(m_user), static_cast<QWidget *>(m_password)})
            field->setEnabled(m_onServer->isChecked());
    };
    enable();
    connect(m_onServer, &QCheckBox::toggled, this, enable);
    connect(test, &QPushButton::clicked, this, &JournalServerDialog::testConnection);
    connect(buttons, &QDialogButtonBox::accepted, this, &JournalServerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &JournalServerDialog::reject);
}

JournalSettings JournalServerDialog::settings() const
{
    JournalSettings settings;
    settings.driver = m_onServer->isChecked() ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
    settings.server = {m_host->text().trimmed(), m_port->value(), m_database->text().trimmed(), m_user->text().trimmed(),
                       m_password->text()};
    return settings;
}

void JournalServerDialog::testConnection()
{
    // The draft's local file of a test opening is thrown away: only the server matters here.
    QTemporaryDir scratch;
    JournalStatus status;
    const bool opened = m_onServer->isChecked() && openJournal(settings(), scratch.path(), &status) != nullptr;
    m_result->setText(!m_onServer->isChecked() ? QStringLiteral("Журнал ведётся на этом компьютере.")
                      : opened ? QStringLiteral("Соединение установлено: журнал на сервере %1 готов.").arg(serverLocation(settings().server))
                               : status.reason);
}

void JournalServerDialog::accept()
{
    const JournalSettings chosen = settings();
    if (const JournalStatus written = writeJournalSettings(m_stateDir, chosen); !written) {
        MessageBox::critical(this, QStringLiteral("Журнал на сервере"), written.reason);
        return;
    }
    typedPassword() = chosen.server.password;
    QDialog::accept();
}

bool JournalServerDialog::edit(QWidget *parent, const QString &stateDir)
{
    JournalServerDialog dialog(stateDir, parent);
    return dialog.exec() == QDialog::Accepted;
}

QString JournalServerDialog::runPassword()
{
    return typedPassword();
}
