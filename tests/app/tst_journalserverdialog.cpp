// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalserverdialog.h"
#include "messagebox.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

class TestJournalServerDialog : public QObject
{
    Q_OBJECT

private slots:
    // Filled in as a seller would: the check tells why the server cannot be reached, naming it; OK
    // writes the server into selvaro.ini without the password, which is kept for this run only.
    void checkAndWrite()
    {
        QTemporaryDir dir;
        JournalServerDialog dialog(dir.path());
        dialog.findChild<QCheckBox *>("onServer")->click();
        dialog.findChild<QSpinBox *>("port")->setValue(1);
        for (const auto &[name, text] : {std::pair("host", "127.0.0.1"), {"database", "магазин"}, {"user", "kassa"}, {"password", "секрет"}})
            dialog.findChild<QLineEdit *>(name)->setText(text);
        dialog.findChild<QPushButton *>("testConnection")->click();
        const QString result = dialog.findChild<QLabel *>("result")->text();
        QVERIFY2(result.contains("недоступен") && result.contains("127.0.0.1:1/магазин"), qPrintable(result));
        // A settings file that cannot be written is told, and the dialog stays open.
        QVERIFY(QDir(dir.path()).mkdir("selvaro.ini"));
        MessageBox::setDefaultAnswer(MessageBox::Ok);
        dialog.accept();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QVERIFY(shown.size() == 1 && shown[0].text.contains("selvaro.ini") && dialog.result() != QDialog::Accepted);
        QVERIFY(QDir(dir.path()).rmdir("selvaro.ini"));
        dialog.accept();
        const JournalSettings written = readJournalSettings(dir.path());
        QCOMPARE(QStringList({written.driver, serverLocation(written.server), written.server.user, JournalServerDialog::runPassword()}),
                 QStringList({"postgresql", "127.0.0.1:1/магазин", "kassa", "секрет"}));
        QFile file(dir.filePath("selvaro.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("секрет"));
    }
};

QTEST_MAIN(TestJournalServerDialog)
#include "tst_journalserverdialog.moc"
