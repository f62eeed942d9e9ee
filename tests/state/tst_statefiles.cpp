#include "savetexts.h"
#include "sealabledir.h"
#include "statefiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

const QString kSample = QStringLiteral("ИП Образцов О.О., ИНН 000000000000, г. Образцово");
const QByteArray kAdmin1251 = QByteArray::fromHex("c8cf20c0e4ece8ed0d0a"); // "ИП Админ" CR LF

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString header(const QString &dir) { return QDir(dir).filePath(kHeaderFileName); }
QString number(const QString &dir) { return QDir(dir).filePath(kNumberFileName); }

// What Start gives the two boxes, from a directory or from the state places.
template <typename Where>
std::pair<QString, QString> started(const Where &where, QString TxtClish = {}, QString TextN = {})
{
    Start(where, TxtClish, TextN);
    return {TxtClish, TextN};
}

// The index i of the whole text of one of the writers `tags` that the file holds, or -1.
int wholeIndex(const QString &path, const QStringList &tags, bool isHeader)
{
    const auto [TxtClish, TextN] = started(QFileInfo(path).absolutePath());
    const QString &box = isHeader ? TxtClish : TextN;
    static const QRegularExpression headerIndex(QStringLiteral("^ИП (\\w+) заголовок №(\\d+) "));
    static const QRegularExpression numberIndex(QStringLiteral("^(\\w+)-(\\d+)-"));
    const QRegularExpressionMatch m = (isHeader ? headerIndex : numberIndex).match(box);
    if (!readAll(path).endsWith("\r\n") || !m.hasMatch() || !tags.contains(m.captured(1)))
        return -1;
    const int i = m.captured(2).toInt();
    return box == (isHeader ? savedHeader(m.captured(1), i) : savedNumber(m.captured(1), i)) ? i : -1;
}

} // namespace

class TestStateFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void start_data();
    void start();
    void startOnAnyContent();
    void finishWritesText1251WithCrLf_data();
    void finishWritesText1251WithCrLf();
    void everyByteRoundTrips();
    void failuresNameTheFileAndReason();
    void fullDisk();
    void fileReplacedWhileSaving();
    void killedWhileSaving();
    void statePlacesAndReadOnlyDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_dir;
};

void TestStateFiles::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_dir = m_tmp->path();
}

void TestStateFiles::start_data()
{
    QTest::addColumn<QByteArray>("headerBytes"); // null: no file
    QTest::addColumn<QByteArray>("numberBytes");
    QTest::addColumn<QString>("expectedHeader");
    QTest::addColumn<QString>("expectedNumber");

    const QByteArray none;
    QTest::newRow("no files -> texts kept") << none << none << kSample << "41";
    QTest::newRow("numch CR LF only -> empty number") << none << QByteArray("\r\n") << kSample << QString();
    QTest::newRow("zero-byte clishr -> empty header") << QByteArray("") << none << QString() << "41";
    QTest::newRow("numch letters -> shown unchanged") << none << QByteArray("abc 12\r\n") << kSample << "abc 12";
    QTest::newRow("several lines -> the first") << QByteArray("first\r\nsecond\r\n") << QByteArray("7\r\n8\r\n")
                                                << "first" << "7";
    QTest::newRow("Cyrillic in 1251 -> ИП Админ") << kAdmin1251 << none << "ИП Админ" << "41";
    QTest::newRow("no CR -> whole content, LF kept") << QByteArray("a\nb") << QByteArray("12") << "a\nb" << "12";
    QTest::newRow("lone CR ends the line") << QByteArray("head\rtail\r\n") << QByteArray("\r") << "head" << QString();
}

void TestStateFiles::start()
{
    QFETCH(QByteArray, headerBytes);
    QFETCH(QByteArray, numberBytes);
    if (!headerBytes.isNull())
        writeBytes(header(m_dir), headerBytes);
    if (!numberBytes.isNull())
        writeBytes(number(m_dir), numberBytes);
    const auto [TxtClish, TextN] = started(m_dir, kSample, QStringLiteral("41"));
    QTEST(TxtClish, "expectedHeader");
    QTEST(TextN, "expectedNumber");
}

void TestStateFiles::startOnAnyContent()
{
    // A huge file whose first CR lies past 64 KiB gives its first 64 KiB; every byte value, NULs and
    // bytes with no meaning in Windows-1251 included, gives one character per byte up to the CR.
    QByteArray big(50 * 1024 * 1024, 'a');
    big[70000] = '\r';
    writeBytes(header(m_dir), big);
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary += char(255 - i);
    writeBytes(number(m_dir), binary);

    const auto [TxtClish, TextN] = started(m_dir);
    QCOMPARE(TxtClish, QString(64 * 1024, u'a'));
    QCOMPARE(TextN.size(), 255 - 13);
    QVERIFY(TextN.startsWith(QStringLiteral("яю")));
}

void TestStateFiles::finishWritesText1251WithCrLf_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("headerBytes");
    QTest::addColumn<QByteArray>("numberBytes");

    QTest::newRow("ИП Админ, 15") << "ИП Админ" << "15" << kAdmin1251 << QByteArray("15\r\n");
    QTest::newRow("empty texts -> CR LF alone") << QString() << QString() << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("Цена ₽ 😀 ü -> one ? per character") << "Цена ₽ 😀 ü" << "№1"
                                                        << QByteArray::fromHex("d6e5ede020") + "? ? ?\r\n"
                                                        << QByteArray::fromHex("b931") + "\r\n";
}

void TestStateFiles::finishWritesText1251WithCrLf()
{
    QFETCH(QString, header);
    QFETCH(QString, number);
    QFETCH(QByteArray, headerBytes);
    // Longer files with several lines are replaced, not overwritten in place.
    writeBytes(::header(m_dir), QByteArray(5000, 'x') + "\r\nsecond line\r\n");
    writeBytes(::number(m_dir), "123456789\r\n2\r\n");

    QVERIFY(Finish(m_dir, header, number).isEmpty());
    QCOMPARE(readAll(::header(m_dir)), headerBytes);
    QTEST(readAll(::number(m_dir)), "numberBytes");
    QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);

    QVERIFY(saveNumber(m_dir, QStringLiteral("16")).isEmpty());
    QCOMPARE(readAll(::number(m_dir)), QByteArray("16\r\n"));
    QCOMPARE(readAll(::header(m_dir)), headerBytes);
}

void TestStateFiles::everyByteRoundTrips()
{
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != 0x98) // 0x98 has no character in Windows-1251
            bytes += char(b);
    writeBytes(header(m_dir), bytes + "\r\n");
    const auto [TxtClish, TextN] = started(m_dir);
    QCOMPARE(TxtClish.size(), bytes.size());
    QVERIFY(Finish(m_dir, TxtClish, TextN).isEmpty());
    QCOMPARE(readAll(header(m_dir)), bytes + "\r\n");
}

void TestStateFiles::failuresNameTheFileAndReason()
{
    // A directory named numch.txt counts as missing, is left as it is, and does not stop the header.
    QVERIFY(QDir(m_dir).mkpath(QStringLiteral("numch.txt/inside")));
    writeBytes(header(m_dir), "old\r\n");
    QCOMPARE(started(m_dir, {}, QStringLiteral("untouched")), std::pair(QStringLiteral("old"), QStringLiteral("untouched")));
    QList<SaveFailure> failures = Finish(m_dir, QStringLiteral("new"), QStringLiteral("5"));
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0].filePath, QDir::toNativeSeparators(number(m_dir)));
    QCOMPARE(failures[0].reason, QStringLiteral("На месте файла находится папка с тем же именем"));
    QCOMPARE(readAll(header(m_dir)), QByteArray("new\r\n"));
    QVERIFY(QFileInfo(number(m_dir) + QStringLiteral("/inside")).isDir());

    // A missing directory: both files are tried and reported, and nothing is created.
    const QString gone = m_dir + QStringLiteral("/gone");
    failures = Finish(gone, kSample, QStringLiteral("3"));
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].filePath, QDir::toNativeSeparators(header(gone)));
    QCOMPARE(failures[1].filePath, QDir::toNativeSeparators(number(gone)));
    QCOMPARE(failures[1].reason, QStringLiteral("Папка не найдена"));
    QVERIFY(!QFileInfo::exists(gone));
}

void TestStateFiles::fullDisk()
{
    const QString dir = m_dir + QStringLiteral("/disk");
    SealableDir disk(dir, "64k");
    if (const char *why = disk.cannotFill())
        QSKIP(why);
    QVERIFY(Finish(dir, savedHeader("old", 1), savedNumber("old", 1)).isEmpty());
    const QByteArray oldHeader = readAll(header(dir)), oldNumber = readAll(number(dir));
    QVERIFY(disk.fill());
    const QList<SaveFailure> failures = Finish(dir, savedHeader("new", 2), savedNumber("new", 2));
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].reason, QStringLiteral("Диск заполнен"));
    QCOMPARE(failures[1].reason, QStringLiteral("Диск заполнен"));
    QCOMPARE(readAll(header(dir)), oldHeader);
    QCOMPARE(readAll(number(dir)), oldNumber);

    QVERIFY(disk.freeSpace());
    QVERIFY(Finish(dir, savedHeader("new", 2), savedNumber("new", 2)).isEmpty());
    QCOMPARE(started(dir), std::pair(savedHeader("new", 2), savedNumber("new", 2)));
}

void TestStateFiles::fileReplacedWhileSaving()
{
    // A reader that has the old file open keeps reading the old file whole.
    QVERIFY(Finish(m_dir, savedHeader("old", 0), savedNumber("old", 0)).isEmpty());
    const QByteArray old = readAll(header(m_dir));
    QFile reader(header(m_dir));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QVERIFY(Finish(m_dir, savedHeader("new", 1), savedNumber("new", 1)).isEmpty());
    QCOMPARE(started(m_dir).first, savedHeader("new", 1));
    QCOMPARE(reader.readAll(), old);

    // Another process replaces the files again and again while this one saves them: every file seen
    // is one writer's whole text.
    QProcess other;
    other.start(QStringLiteral(STATESAVER_PATH), {m_dir, "other", "0", "300"});
    QVERIFY(other.waitForReadyRead(10000));
    for (int i = 0; i < 100 && other.state() == QProcess::Running; ++i) {
        const QList<SaveFailure> failures = Finish(m_dir, savedHeader("mine", i), savedNumber("mine", i));
        QVERIFY2(failures.isEmpty(), failures.isEmpty() ? "" : qPrintable(failures[0].reason));
        QVERIFY(wholeIndex(header(m_dir), {"mine", "other"}, true) >= 0);
        QVERIFY(wholeIndex(number(m_dir), {"mine", "other"}, false) >= 0);
    }
    QVERIFY(other.waitForFinished(60000));
    QCOMPARE(other.exitCode(), 0);
}

void TestStateFiles::killedWhileSaving()
{
    // A saving process is killed at random moments, round after round, 1,000 saves in all: each file is
    // always a whole text, the one of the last save or of the save being made, never older. In memory
    // when possible, so that 1,000 synced saves take little time.
    QTemporaryDir shm(QStringLiteral("/dev/shm/selvaro-kill-XXXXXX"));
    if (shm.isValid())
        m_dir = shm.path();
    QVERIFY(Finish(m_dir, savedHeader("kill", 0), savedNumber("kill", 0)).isEmpty());
    QRandomGenerator random(9);
    int lastHeader = 0, lastNumber = 0, rounds = 0;
    int maxDelay = 1500; // microseconds; adapted so that a round sees a few saves, whatever the speed
    while (lastHeader < 1000 && rounds++ < 1000) {
        QProcess saver;
        saver.start(STATESAVER_PATH, {m_dir, "kill", QString::number(lastHeader + 1), QString::number(1000 - lastHeader)});
        QVERIFY(saver.waitForReadyRead(10000));
        QThread::usleep(random.bounded(maxDelay));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));

        const int headerIndex = wholeIndex(header(m_dir), {"kill"}, true);
        const int numberIndex = wholeIndex(number(m_dir), {"kill"}, false);
        // The header of a save is written before its number; a killed round may leave the number behind.
        QVERIFY2(headerIndex >= lastHeader && numberIndex >= lastNumber
                     && (numberIndex == lastNumber || numberIndex == headerIndex || numberIndex == headerIndex - 1),
                 qPrintable(QStringLiteral("header %1, number %2").arg(headerIndex).arg(numberIndex)));
        const int saved = headerIndex - lastHeader;
        maxDelay = saved < 3 ? std::min(maxDelay * 2, 200000) : saved > 10 ? std::max(maxDelay / 2, 200) : maxDelay;
        lastHeader = headerIndex;
        lastNumber = numberIndex;
    }
    QCOMPARE(lastHeader, 1000);
    QVERIFY(rounds >= 20);
}

void TestStateFiles::statePlacesAndReadOnlyDirectory()
{
    const QString app = m_dir + QStringLiteral("/app");
    const QString user = m_dir + QStringLiteral("/user/share/selvaro");
    const std::pair admin(QStringLiteral("ИП Админ"), QStringLiteral("100"));

    // Writable beside the executable: everything happens there, nothing in the user's directory.
    QVERIFY(QDir().mkpath(app));
    writeBytes(header(app), kAdmin1251);
    writeBytes(number(app), "100\r\n");
    QCOMPARE(started(StatePlaces{app, user}), admin);
    QVERIFY(Finish(StatePlaces{app, user}, admin.first, QStringLiteral("101")).isEmpty());
    QCOMPARE(readAll(number(app)), QByteArray("101\r\n"));
    QVERIFY(!QFileInfo::exists(user));
    QCOMPARE(QDir(app).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // Not writable: the administrator's files seed the first run, the saves go to the user's directory,
    // and each file is read from there once it is there.
    const QString locked = m_dir + QStringLiteral("/locked");
    SealableDir readOnly(locked, "1m");
    if (const char *why = readOnly.cannotSeal())
        QSKIP(why);
    writeBytes(header(locked), kAdmin1251);
    writeBytes(number(locked), "100\r\n");
    QVERIFY(readOnly.seal());
    const StatePlaces places{locked, user};
    QCOMPARE(started(places), admin);
    QVERIFY(saveNumber(places, QStringLiteral("101")).isEmpty());
    QCOMPARE(readAll(number(user)), QByteArray("101\r\n"));
    QVERIFY(!QFileInfo::exists(header(user)));
    QCOMPARE(started(places), std::pair(admin.first, QStringLiteral("101")));
    QVERIFY(Finish(places, QStringLiteral("ИП Пользователь"), QStringLiteral("102")).isEmpty());
    QCOMPARE(started(places), std::pair(QStringLiteral("ИП Пользователь"), QStringLiteral("102")));
    QCOMPARE(readAll(number(locked)), QByteArray("100\r\n"));

    // Read-only, with no user's directory to fall back on: every file fails with its reason, the old
    // files stay whole, and nothing lands in the current directory.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir));
    const StatePlaces nowhere{locked, QString()};
    const QList<SaveFailure> failures = Finish(nowhere, QStringLiteral("ИП Новый"), QStringLiteral("42"))
        + saveNumber(nowhere, QStringLiteral("43"));
    QDir::setCurrent(cwd);
    QCOMPARE(failures.size(), 3);
    for (const SaveFailure &failure : failures)
        QVERIFY2(failure.reason.startsWith(QStringLiteral("Нет доступа к папке"))
                     || failure.reason == QStringLiteral("Диск доступен только для чтения"),
                 qPrintable(failure.reason));
    QVERIFY(!QFileInfo::exists(header(m_dir)));
    QCOMPARE(started(locked), admin);
}

QTEST_GUILESS_MAIN(TestStateFiles)
#include "tst_statefiles.moc"
