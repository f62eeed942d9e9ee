// SPDX-License-Identifier: GPL-3.0-or-later
#include "sealabledir.h"
#include "stateplaces.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kAdmin1251 = QByteArray::fromHex("c8cf20c0e4ece8ed0d0a"); // "ИП Админ" CR LF

// Both files' bytes, "|" between them, "-" for a missing one.
QByteArray files(const QString &dir)
{
    QFile header(QDir(dir).filePath(kHeaderFileName)), number(QDir(dir).filePath(kNumberFileName));
    return (header.open(QIODevice::ReadOnly) ? header.readAll() : "-") + '|' + (number.open(QIODevice::ReadOnly) ? number.readAll() : "-");
}

// Writes the two files in dir; a null array leaves its file alone.
void put(const QString &dir, const QByteArray &header, const QByteArray &number)
{
    for (const auto &[name, bytes] : {std::pair(kHeaderFileName, header), std::pair(kNumberFileName, number)})
        if (QFile file(QDir(dir).filePath(name)); !bytes.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// What Start gives the two boxes, "|" between them (a writable directory is used as it is).
QString started(const StatePlaces &where, QString TxtClish = "старый", QString TextN = "41")
{
    Start(where, TxtClish, TextN);
    return TxtClish + '|' + TextN;
}

} // namespace

class TestStateFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_dir;

private slots:
    void init() { QVERIFY(QDir().mkpath(m_dir = m_tmp.filePath(QTest::currentTestFunction() + QString(QTest::currentDataTag())))); }

    void start_data()
    {
        QTest::addColumn<QByteArray>("header"); // null: no file
        QTest::addColumn<QByteArray>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no files -> texts kept") << QByteArray() << QByteArray() << "старый|41";
        QTest::newRow("zero bytes, CR LF only -> emptied") << QByteArray("") << QByteArray("\r\n") << "|";
        QTest::newRow("several lines -> the first, a lone CR ending it too") << QByteArray("a\r\nb\r\n") << QByteArray("12\r3\r\n") << "a|12";
        QTest::newRow("no CR -> whole content, LF kept") << QByteArray("a\nb") << QByteArray("12") << "a\nb|12";
        QTest::newRow("UTF-8 with a byte-order mark -> UTF-8") << QByteArray("\xEF\xBB\xBFИП Админ\r\n") << QByteArray("\xEF\xBB\xBF" "15\r\n")
                                                          << "ИП Админ|15";
        QTest::newRow("UTF-8 beyond ASCII, and 1251 -> each as written") << QByteArray("ИП Админ ₽\r\n") << kAdmin1251
                                                                         << "ИП Админ ₽|ИП Админ";
    }

    void start()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, number);
        put(m_dir, header, number);
        QTEST(started({m_dir, {}}), "expected");
    }

    // Bytes but CR and 0x98 (no character in Windows-1251) come back as they were, a character 1251 lacks as "?".
    // A huge file with no CR in its first 64 KiB gives those, NUL and 0x98 one character each; it is replaced.
    void finishWritesWhatStartReads()
    {
        QByteArray bytes, big(50 * 1024 * 1024, 'a');
        for (int b = 255; b > 0; --b)
            if (b != '\r' && b != 0x98)
                bytes += char(b);
        big.replace(3, 2, QByteArray::fromHex("0098"))[70000] = '\r';
        put(m_dir, bytes + "\r\n", big);
        QString TxtClish, TextN;
        Start(m_dir, TxtClish, TextN);
        QCOMPARE(TextN.size(), 64 * 1024);
        QVERIFY(Finish(m_dir, TxtClish + "₽ 😀 ü", "№1").isEmpty());
        QCOMPARE(files(m_dir), bytes + "? ? ?\r\n|\xb9" "1\r\n");
        QCOMPARE(charactersNotKept("₽ 😀 ü?₽№ 😀"), QStringList({"₽", "😀", "ü"}));
        QVERIFY(saveNumber(m_dir, "").isEmpty());
        QCOMPARE(files(m_dir), bytes + "? ? ?\r\n|\r\n");
        QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
    }

    // A directory named numch.txt counts as missing, is left as it is, and does not stop the header; the
    // failure names the file and why.
    void directoryInPlaceOfTheNumber()
    {
        QVERIFY(QDir(m_dir).mkpath("numch.txt/inside"));
        put(m_dir, "old\r\n", {});
        QCOMPARE(started({m_dir, {}}), "old|41");
        const QList<SaveFailure> failures = Finish(m_dir, "new", "5");
        QCOMPARE(failures.size(), 1);
        QCOMPARE(QDir::fromNativeSeparators(failures[0].filePath) + ": " + failures[0].reason, m_dir + "/numch.txt: На месте файла находится папка с тем же именем");
        QCOMPARE(files(m_dir), "new\r\n|-");
        QVERIFY(QFileInfo(m_dir + "/numch.txt/inside").isDir());
    }

    // When both places hold the files, the pair written last is read, wherever the next save goes.
    void newerPairIsRead_data()
    {
        QTest::addColumn<int>("userAge"); // seconds, against the files beside the executable
        QTest::addColumn<QString>("expected");
        QTest::newRow("beside the executable newer -> there") << 60 << "ИП Админ|44";
        QTest::newRow("user's newer -> there, the number never goes back") << -60 << "ИП Пользователь|45";
    }
    void newerPairIsRead()
    {
        QFETCH(int, userAge);
        const QString app = m_dir + "/app", user = m_dir + "/user";
        QVERIFY(QDir().mkpath(app) && QDir().mkpath(user));
        put(app, kAdmin1251, "44\r\n");
        QVERIFY(Finish(user, "ИП Пользователь", "45").isEmpty());
        for (const char *name : {kHeaderFileName, kNumberFileName}) {
            QFile file(QDir(user).filePath(name));
            const QDateTime when = QFileInfo(QDir(app).filePath(name)).lastModified().addSecs(-userAge);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime));
        }
        QTEST(started(StatePlaces{app, user}), "expected");
    }

    // Writable beside the executable: all happens there. Not: the administrator's files seed the first run, and
    // each file is saved to and then read from the user's. With no user's directory, nothing lands in the cwd.
    void statePlacesAndReadOnlyDirectory()
    {
        const QString app = m_dir + "/app", locked = m_dir + "/locked", user = m_dir + "/user/share/selvaro";
        QVERIFY(QDir().mkpath(app));
        put(app, kAdmin1251, "100\r\n");
        QCOMPARE(started(StatePlaces{app, user}), "ИП Админ|100");
        QVERIFY(Finish(StatePlaces{app, user}, "ИП Админ", "101").isEmpty());
        QCOMPARE(files(app), kAdmin1251 + "|101\r\n");
        QCOMPARE(QDir(app).entryList(QDir::Files | QDir::Hidden) + QDir(m_dir).entryList({"user"}), QStringList({"clishr.txt", "numch.txt"}));

        SealableDir readOnly(locked, "1m");
        if (const char *why = readOnly.cannotSeal())
            QSKIP(why);
        put(locked, kAdmin1251, "100\r\n");
        QVERIFY(readOnly.seal());
        QCOMPARE(firstSaveElsewhere(StatePlaces{app, user}) + '|' + firstSaveElsewhere(StatePlaces{locked, user}), '|' + user);
        QVERIFY(saveNumber(StatePlaces{locked, user}, "101").isEmpty());
        QCOMPARE(firstSaveElsewhere(StatePlaces{locked, user}), "");
        QCOMPARE(files(user), "-|101\r\n");
        QCOMPARE(started(StatePlaces{locked, user}), "ИП Админ|101");
        QVERIFY(Finish(StatePlaces{locked, user}, "ИП Пользователь", "102").isEmpty());
        QCOMPARE(started(StatePlaces{locked, user}), "ИП Пользователь|102");

        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir));
        const qsizetype failed = Finish(StatePlaces{locked, {}}, "ИП Новый", "42").size();
        QDir::setCurrent(cwd);
        QCOMPARE(failed, 2);
        QCOMPARE(files(m_dir) + files(locked), "-|-" + kAdmin1251 + "|100\r\n");
    }
};

QTEST_GUILESS_MAIN(TestStateFiles)
#include "tst_statefiles.moc"
