#include "savetexts.h"
#include "statefiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QStorageInfo>
#include <QThread>

#include <unistd.h>

namespace {

const QString kSample = QStringLiteral("ИП Образцов О.О., ИНН 000000000000, г. Образцово");

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

bool run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// A directory that no one may write into, root included: a tmpfs remounted read-only when the tests
// run as root (chmod does not stop root), plain permissions otherwise.
class ReadOnlyDir
{
public:
    explicit ReadOnlyDir(const QString &path) : m_path(path) {}
    ~ReadOnlyDir()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {QStringLiteral("-l"), m_path});
        else if (m_chmodded)
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Creates the directory; returns why it cannot be made, or an empty text.
    QString create()
    {
        QDir().mkpath(m_path);
        if (::geteuid() != 0)
            return {};
        if (!run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1m", "tmpfs", m_path}))
            return QStringLiteral("running as root, where only a read-only mount stops writing, and mounting a "
                                  "tmpfs is not permitted here");
        m_mounted = true;
        return {};
    }

    // Makes the directory read-only, with whatever was written into it kept.
    bool seal()
    {
        if (m_mounted)
            return run(QStringLiteral("mount"), {"-o", "remount,ro", m_path});
        m_chmodded = QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        return m_chmodded;
    }

private:
    QString m_path;
    bool m_mounted = false;
    bool m_chmodded = false;
};

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
    void everyCharacterRoundTrips();
    void directoryInPlaceOfFile();
    void missingDirectory();
    void readOnlyDirectory();
    void fullDisk();
    void fileReplacedWhileSaving();
    void killedWhileSaving();
    void statePlaces();

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
    const QByteArray header1251 = QByteArray::fromHex("c8cf20c8e2e0edeee2"); // "ИП Иванов"
    QTest::newRow("no files -> sample header, empty number") << none << none << kSample << QString();
    QTest::newRow("numch CR LF only -> empty number") << none << QByteArray("\r\n") << kSample << QString();
    QTest::newRow("zero-byte clishr -> empty header") << QByteArray("") << none << QString() << QString();
    QTest::newRow("numch '15' CR LF -> 15") << none << QByteArray("15\r\n") << kSample << "15";
    QTest::newRow("numch letters -> shown unchanged") << none << QByteArray("abc 12\r\n") << kSample << "abc 12";
    QTest::newRow("several lines -> the first") << QByteArray("first\r\nsecond\r\n") << QByteArray("7\r\n8\r\n")
                                                << "first" << "7";
    QTest::newRow("Cyrillic in 1251 -> ИП Иванов") << header1251 + "\r\n" << none << "ИП Иванов" << QString();
    QTest::newRow("no CR -> whole content, LF kept") << QByteArray("a\nb") << QByteArray("12") << "a\nb" << "12";
    QTest::newRow("lone CR ends the line") << QByteArray("head\rtail\r\n") << QByteArray("\r") << "head" << QString();
}

void TestStateFiles::start()
{
    QFETCH(QByteArray, headerBytes);
    QFETCH(QByteArray, numberBytes);
    QFETCH(QString, expectedHeader);
    QFETCH(QString, expectedNumber);
    if (!headerBytes.isNull())
        writeBytes(header(m_dir), headerBytes);
    if (!numberBytes.isNull())
        writeBytes(number(m_dir), numberBytes);

    QString TxtClish = kSample;
    QString TextN;
    Start(m_dir, TxtClish, TextN);
    QCOMPARE(TxtClish, expectedHeader);
    QCOMPARE(TextN, expectedNumber);
}

void TestStateFiles::startOnAnyContent()
{
    // A huge file without any CR: only the first 64 KiB become the header, and quickly.
    QByteArray big(50 * 1024 * 1024, 'a');
    big[70000] = '\r';
    writeBytes(header(m_dir), big);
    // Every byte value, NULs and bytes with no meaning in Windows-1251 included.
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary += char(255 - i);
    writeBytes(number(m_dir), binary);

    QString TxtClish = kSample;
    QString TextN;
    Start(m_dir, TxtClish, TextN);
    QCOMPARE(TxtClish, QString(64 * 1024, u'a'));
    QCOMPARE(TextN.size(), 255 - 13); // up to the CR (byte 13), one character per byte
    QCOMPARE(TextN.left(2), QStringLiteral("яю"));
}

void TestStateFiles::finishWritesText1251WithCrLf_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("headerBytes");
    QTest::addColumn<QByteArray>("numberBytes");

    QTest::newRow("ИП Иванов, 15") << "ИП Иванов" << "15" << QByteArray::fromHex("c8cf20c8e2e0edeee20d0a")
                                   << QByteArray("15\r\n");
    QTest::newRow("empty texts -> CR LF alone") << QString() << QString() << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("Ёё №€ -> 1251 bytes") << "Ёё №€" << "0" << QByteArray::fromHex("a8b820b9880d0a")
                                           << QByteArray("0\r\n");
    QTest::newRow("Цена ₽ 😀 ü -> one ? per character") << "Цена ₽ 😀 ü" << "№1"
                                                        << QByteArray::fromHex("d6e5ede020") + "? ? ?\r\n"
                                                        << QByteArray::fromHex("b931") + "\r\n";
}

void TestStateFiles::finishWritesText1251WithCrLf()
{
    QFETCH(QString, header);
    QFETCH(QString, number);
    QFETCH(QByteArray, headerBytes);
    QFETCH(QByteArray, numberBytes);
    // Longer files with several lines are there already: they are replaced, not overwritten in place.
    writeBytes(::header(m_dir), QByteArray(5000, 'x') + "\r\nsecond line\r\n");
    writeBytes(::number(m_dir), "123456789\r\n2\r\n");

    QVERIFY(Finish(m_dir, header, number).isEmpty());
    QCOMPARE(readAll(::header(m_dir)), headerBytes);
    QCOMPARE(readAll(::number(m_dir)), numberBytes);
    QCOMPARE(QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);

    QVERIFY(saveNumber(m_dir, QStringLiteral("16")).isEmpty());
    QCOMPARE(readAll(::number(m_dir)), QByteArray("16\r\n"));
    QCOMPARE(readAll(::header(m_dir)), headerBytes);
}

void TestStateFiles::everyCharacterRoundTrips()
{
    // Every byte a line can hold comes back byte for byte after a load and a save.
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != 0x98) // 0x98 has no character in Windows-1251
            bytes += char(b);
    writeBytes(header(m_dir), bytes + "\r\n");
    QString TxtClish;
    QString TextN = QStringLiteral("keep");
    Start(m_dir, TxtClish, TextN);
    QCOMPARE(TxtClish.size(), bytes.size());
    QCOMPARE(TextN, QStringLiteral("keep"));
    QVERIFY(Finish(m_dir, TxtClish, TextN).isEmpty());
    QCOMPARE(readAll(header(m_dir)), bytes + "\r\n");
}

void TestStateFiles::directoryInPlaceOfFile()
{
    QVERIFY(QDir(m_dir).mkpath(QStringLiteral("numch.txt/inside")));
    writeBytes(header(m_dir), "old\r\n");
    QString TxtClish;
    QString TextN = QStringLiteral("untouched");
    Start(m_dir, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("old"));
    QCOMPARE(TextN, QStringLiteral("untouched"));

    // The header is still saved; the number is reported, and the directory is left as it was.
    const QList<SaveFailure> failures = Finish(m_dir, QStringLiteral("new"), QStringLiteral("5"));
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0].filePath, QDir::toNativeSeparators(number(m_dir)));
    QCOMPARE(failures[0].reason, QStringLiteral("На месте файла находится папка с тем же именем"));
    QCOMPARE(readAll(header(m_dir)), QByteArray("new\r\n"));
    QVERIFY(QFileInfo(number(m_dir) + QStringLiteral("/inside")).isDir());
}

void TestStateFiles::missingDirectory()
{
    const QString gone = m_dir + QStringLiteral("/gone");
    const QList<SaveFailure> failures = Finish(gone, kSample, QStringLiteral("3"));
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].filePath, QDir::toNativeSeparators(header(gone)));
    QCOMPARE(failures[1].filePath, QDir::toNativeSeparators(number(gone)));
    QCOMPARE(failures[1].reason, QStringLiteral("Папка не найдена"));
    QVERIFY(!QFileInfo::exists(gone));
}

void TestStateFiles::readOnlyDirectory()
{
    const QString dir = m_dir + QStringLiteral("/ro");
    ReadOnlyDir readOnly(dir);
    const QString why = readOnly.create();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY(Finish(dir, QStringLiteral("ИП Старый"), QStringLiteral("41")).isEmpty());
    QVERIFY(readOnly.seal());

    const QList<SaveFailure> failures = Finish(dir, QStringLiteral("ИП Новый"), QStringLiteral("42"));
    QCOMPARE(failures.size(), 2);
    for (const SaveFailure &failure : failures)
        QVERIFY2(failure.reason.startsWith(QStringLiteral("Нет доступа к папке"))
                     || failure.reason == QStringLiteral("Диск доступен только для чтения"),
                 qPrintable(failure.reason));
    QCOMPARE(saveNumber(dir, QStringLiteral("43")).size(), 1);

    QString TxtClish;
    QString TextN;
    Start(dir, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("ИП Старый"));
    QCOMPARE(TextN, QStringLiteral("41"));
}

void TestStateFiles::fullDisk()
{
    if (::geteuid() != 0)
        QSKIP("needs root to mount a small tmpfs that can be filled");
    const QString dir = m_dir + QStringLiteral("/disk");
    QVERIFY(QDir().mkpath(dir));
    if (!run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", dir}))
        QSKIP("mounting a tmpfs is not permitted here");
    struct Unmount {
        QString dir;
        ~Unmount() { run(QStringLiteral("umount"), {QStringLiteral("-l"), dir}); }
    } unmount{dir};

    QVERIFY(Finish(dir, savedHeader("old", 1), savedNumber("old", 1)).isEmpty());
    const QByteArray oldHeader = readAll(header(dir));
    const QByteArray oldNumber = readAll(number(dir));

    const QString fillerPath = dir + QStringLiteral("/filler");
    {
        QFile filler(fillerPath);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    }
    QCOMPARE(QStorageInfo(dir).bytesAvailable(), 0);

    const QList<SaveFailure> failures = Finish(dir, savedHeader("new", 2), savedNumber("new", 2));
    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures[0].reason, QStringLiteral("Диск заполнен"));
    QCOMPARE(failures[1].reason, QStringLiteral("Диск заполнен"));
    QCOMPARE(readAll(header(dir)), oldHeader);
    QCOMPARE(readAll(number(dir)), oldNumber);

    // Once there is room again, saving again works.
    QVERIFY(QFile::remove(fillerPath));
    QVERIFY(Finish(dir, savedHeader("new", 2), savedNumber("new", 2)).isEmpty());
    QString TxtClish;
    QString TextN;
    Start(dir, TxtClish, TextN);
    QCOMPARE(TxtClish, savedHeader("new", 2));
    QCOMPARE(TextN, savedNumber("new", 2));
}

namespace {

// The index i of the whole text the file holds, written by one of the given writers, or -1.
int wholeIndex(const QString &path, const QStringList &tags, bool isHeader)
{
    QString TxtClish;
    QString TextN;
    QString &box = isHeader ? TxtClish : TextN;
    Start(QFileInfo(path).absolutePath(), TxtClish, TextN);
    if (readAll(path).right(2) != "\r\n")
        return -1;
    static const QRegularExpression headerIndex(QStringLiteral("^ИП (\\w+) заголовок №(\\d+) "));
    static const QRegularExpression numberIndex(QStringLiteral("^(\\w+)-(\\d+)-"));
    const QRegularExpressionMatch m = (isHeader ? headerIndex : numberIndex).match(box);
    if (!m.hasMatch() || !tags.contains(m.captured(1)))
        return -1;
    const int i = m.captured(2).toInt();
    const QString whole = isHeader ? savedHeader(m.captured(1), i) : savedNumber(m.captured(1), i);
    return box == whole ? i : -1;
}

} // namespace

void TestStateFiles::fileReplacedWhileSaving()
{
    QVERIFY(Finish(m_dir, savedHeader("old", 0), savedNumber("old", 0)).isEmpty());
    const QByteArray old = readAll(header(m_dir));
    // A reader that has the old file open keeps reading the old file whole.
    QFile reader(header(m_dir));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QVERIFY(Finish(m_dir, savedHeader("new", 1), savedNumber("new", 1)).isEmpty());
    QString TxtClish;
    QString TextN;
    Start(m_dir, TxtClish, TextN);
    QCOMPARE(TxtClish, savedHeader("new", 1));
    QCOMPARE(reader.readAll(), old);

    // Another process replaces the files again and again while this one saves them: every file seen
    // is one writer's whole text.
    QProcess other;
    other.start(QStringLiteral(STATESAVER_PATH), {m_dir, "other", "0", "300"});
    QVERIFY(other.waitForReadyRead(10000));
    int seenOther = 0;
    for (int i = 0; i < 100 && other.state() == QProcess::Running; ++i) {
        const QList<SaveFailure> failures = Finish(m_dir, savedHeader("mine", i), savedNumber("mine", i));
        QVERIFY2(failures.isEmpty(), failures.isEmpty() ? "" : qPrintable(failures[0].reason));
        QVERIFY(wholeIndex(header(m_dir), {"mine", "other"}, true) >= 0);
        QVERIFY(wholeIndex(number(m_dir), {"mine", "other"}, false) >= 0);
        seenOther += readAll(header(m_dir)).contains("other");
    }
    QVERIFY(other.waitForFinished(60000));
    QCOMPARE(other.exitCode(), 0);
    qInfo("files seen replaced by the other writer: %d of 100", seenOther);
}

void TestStateFiles::killedWhileSaving()
{
    // A saving process is killed at random moments, round after round, 1,000 saves in all: each file is
    // always a whole text, the one of the last save or of the save being made, never older.
    // In memory when possible, so that 1,000 synced saves take little time.
    QTemporaryDir shm(QStringLiteral("/dev/shm/selvaro-kill-XXXXXX"));
    if (shm.isValid())
        m_dir = shm.path();
    QVERIFY(Finish(m_dir, savedHeader("kill", 0), savedNumber("kill", 0)).isEmpty());
    QRandomGenerator random(9);
    int next = 1;
    int lastHeader = 0;
    int lastNumber = 0;
    int rounds = 0;
    int maxDelay = 1500; // microseconds; adapted so that a round sees a few saves, whatever the speed
    while (next <= 1000 && rounds < 1000) {
        ++rounds;
        const int count = 1001 - next;
        QProcess saver;
        saver.start(QStringLiteral(STATESAVER_PATH), {m_dir, "kill", QString::number(next), QString::number(count)});
        QVERIFY(saver.waitForReadyRead(10000));
        QThread::usleep(random.bounded(maxDelay));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));

        const int headerIndex = wholeIndex(header(m_dir), {"kill"}, true);
        const int numberIndex = wholeIndex(number(m_dir), {"kill"}, false);
        QVERIFY2(headerIndex >= lastHeader, qPrintable(QString::number(headerIndex)));
        QVERIFY2(numberIndex >= lastNumber, qPrintable(QString::number(numberIndex)));
        // The header of a save is written before its number; a killed round may leave the number behind.
        QVERIFY2(numberIndex == lastNumber || numberIndex == headerIndex || numberIndex == headerIndex - 1,
                 qPrintable(QStringLiteral("header %1, number %2").arg(headerIndex).arg(numberIndex)));
        const int saved = headerIndex - lastHeader;
        if (saved < 3)
            maxDelay = std::min(maxDelay * 2, 200000);
        else if (saved > 10)
            maxDelay = std::max(maxDelay / 2, 200);
        lastHeader = headerIndex;
        lastNumber = numberIndex;
        next = headerIndex + 1;
    }
    qInfo("%d saves in %d rounds", next - 1, rounds);
    QCOMPARE(next, 1001);
    QVERIFY(rounds >= 20);
}

void TestStateFiles::statePlaces()
{
    const QString app = m_dir + QStringLiteral("/app");
    const QString user = m_dir + QStringLiteral("/user/share/selvaro");
    QVERIFY(QDir().mkpath(app));
    writeBytes(header(app), QByteArray::fromHex("c8cf20c0e4ece8ed0d0a"));
    writeBytes(number(app), "100\r\n");

    // Writable beside the executable: everything happens there, nothing in the user's directory.
    QString TxtClish;
    QString TextN;
    Start(StatePlaces{app, user}, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("ИП Админ"));
    QCOMPARE(TextN, QStringLiteral("100"));
    QVERIFY(Finish(StatePlaces{app, user}, TxtClish, QStringLiteral("101")).isEmpty());
    QCOMPARE(readAll(number(app)), QByteArray("101\r\n"));
    QVERIFY(!QFileInfo::exists(user));
    QCOMPARE(QDir(app).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // Not writable: the administrator's files seed the first run, the saves go to the user's directory.
    const QString locked = m_dir + QStringLiteral("/locked");
    ReadOnlyDir readOnly(locked);
    const QString why = readOnly.create();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    writeBytes(header(locked), QByteArray::fromHex("c8cf20c0e4ece8ed0d0a"));
    writeBytes(number(locked), "100\r\n");
    QVERIFY(readOnly.seal());
    const StatePlaces places{locked, user};

    TxtClish.clear();
    TextN.clear();
    Start(places, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("ИП Админ"));
    QCOMPARE(TextN, QStringLiteral("100"));

    QVERIFY(saveNumber(places, QStringLiteral("101")).isEmpty());
    QCOMPARE(readAll(number(user)), QByteArray("101\r\n"));
    QVERIFY(!QFileInfo::exists(header(user)));
    // Each file is read from the user's directory once it is there, the other still from beside the
    // executable.
    Start(places, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("ИП Админ"));
    QCOMPARE(TextN, QStringLiteral("101"));

    QVERIFY(Finish(places, QStringLiteral("ИП Пользователь"), QStringLiteral("102")).isEmpty());
    Start(places, TxtClish, TextN);
    QCOMPARE(TxtClish, QStringLiteral("ИП Пользователь"));
    QCOMPARE(TextN, QStringLiteral("102"));
    QCOMPARE(readAll(number(locked)), QByteArray("100\r\n"));

    // No user's directory known: the failure is reported, and nothing lands in the current directory.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir));
    const qsizetype failed = Finish(StatePlaces{locked, QString()}, TxtClish, TextN).size();
    QDir::setCurrent(cwd);
    QCOMPARE(failed, 2);
    QVERIFY(!QFileInfo::exists(header(m_dir)));
}

QTEST_GUILESS_MAIN(TestStateFiles)
#include "tst_statefiles.moc"
