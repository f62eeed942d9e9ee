#include "cupsspool.h"
#include "frmselvaro.h"
#include "messagebox.h"
#include "printcommand.h"
#include "receiptlayout.h"
#include "tableflexgrid.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <memory>

namespace {

const QLocale comma(QLocale::Russian, QLocale::Russia);
const char kChildVariable[] = "SELVARO_TST_PRINTING_CHILD";

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_Printing : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void printsOnTheDefaultQueue();
    void noPrinterOffersPdf();
    void savesAsPdf_data();
    void savesAsPdf();
    void printerDialogAndPreview();

private:
    void open(const QString &number, const QString &seller = QStringLiteral("ИП Петров П. П."));
    void verifyPrinted(const QString &pdf, const QString &number, const QString &next);
    void trigger(const char *action);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FrmSelvaro> m_window;
    TableFlexGrid *m_grid = nullptr;
};

void tst_Printing::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    MessageBox::setDefaultAnswer(MessageBox::Cancel);
    MessageBox::takeShown();
    PrintCommand::setDialogRunner([](QDialog &) { return int(QDialog::Rejected); });
    PrintCommand::setSaveFileNameChooser([](QWidget *, const QString &, const QString &) { return QString(); });
}

void tst_Printing::cleanup()
{
    m_window.reset();
    m_dir.reset();
    PrintCommand::setDialogRunner({});
    PrintCommand::setSaveFileNameChooser({});
}

// Opens the window on a receipt of two lines; the price of the second is still being typed when the
// receipt is printed, so its line sum is not there yet.
void tst_Printing::open(const QString &number, const QString &seller)
{
    m_window = std::make_unique<FrmSelvaro>(StatePlaces{m_dir->path(), m_dir->filePath("user")}, comma);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_grid = m_window->MSFGAZ();
    m_window->TxtClish()->setText(seller);
    m_window->TextN()->setText(number);
    m_window->TextFIO()->setText(QStringLiteral("Иванова"));
    m_window->Text7()->setText(QStringLiteral("457,50"));
    m_window->Text4()->setPlainText(QStringLiteral("Четыреста пятьдесят семь рублей 50 копеек"));
    m_window->CmdAddS()->click();
    const QStringList lines[] = {{"1", "Гвозди", "кг", "2.5", "180"}, {"2", "Шурупы", "уп", "3", ""}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c)
            m_grid->setTextMatrix(r + 1, c, lines[r][c]);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, m_grid->visualRect(m_grid->model()->index(1, 4)).center());
    QVERIFY(m_window->txtDataEntry()->isVisible());
    QTest::keyClicks(m_window->txtDataEntry(), QStringLiteral("2.5"));
}

// The receipt in pdf carries number and the pending edit with its fresh line sum; afterwards TextN
// holds next and the current cell is the last column of the last line.
void tst_Printing::verifyPrinted(const QString &pdf, const QString &number, const QString &next)
{
    const QString text = CupsSpool::run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}).simplified();
    const QString title = QStringLiteral("ТОВАРНЫЙ ЧЕК № %1 от %2").arg(number, receiptDate(QDate::currentDate(), comma));
    for (const QString &piece : {title, QStringLiteral("Гвозди кг 2.5 180 450"), QStringLiteral("Шурупы уп 3 2.5 7,5"),
                                 QStringLiteral("ИТОГО: 457,50"), QStringLiteral("пятьдесят семь рублей 50 копеек"),
                                 QStringLiteral("Продавец Иванова Подпись")})
        QVERIFY2(text.contains(piece), qPrintable(piece + " not in: " + text));
    QCOMPARE(m_window->TextN()->text(), next);
    QVERIFY(!m_window->txtDataEntry()->isVisible());
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(m_grid->Cols() - 1, m_grid->Rows() - 1));
}

void tst_Printing::trigger(const char *action)
{
    QAction *found = m_window->CmdPrint()->findChild<QAction *>(QLatin1String(action));
    QVERIFY2(found && m_window->CmdPrint()->actions().contains(found), action);
    QCOMPARE(m_window->CmdPrint()->contextMenuPolicy(), Qt::ActionsContextMenu);
    found->trigger();
}

void tst_Printing::printsOnTheDefaultQueue()
{
    const QString unavailable = CupsSpool::unavailableReason();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    const QString token = QUuid::createUuid().toString(QUuid::Id128).left(12);
    open(QStringLiteral("41"), QStringLiteral("ИП Петров ") + token);
    const QStringList before = CupsSpool::documents();
    QTest::mouseClick(m_window->CmdPrint(), Qt::LeftButton);

    QCOMPARE(MessageBox::takeShown().size(), 0);
    QCOMPARE(fileBytes(m_dir->filePath("numch.txt")), QByteArray("42\r\n"));
    const QString document = CupsSpool::waitForDocument(before, token);
    QVERIFY2(!document.isEmpty(), "the job did not reach the default queue or did not complete");
    const QString info = CupsSpool::run(QStringLiteral("pdfinfo"), {document});
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")) && info.contains("(A4)"), qPrintable(info));
    verifyPrinted(document, "41", "42");
}

void tst_Printing::noPrinterOffersPdf()
{
    if (!qEnvironmentVariableIsSet(kChildVariable)) {
        // The print system is looked up once per process: run this test again in a child whose print
        // system points nowhere.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildVariable, "1");
        env.insert("CUPS_SERVER", "/nonexistent/cups.sock");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"noPrinterOffersPdf"});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
        return;
    }

    // Ctrl+P prints as the button does; declining the PDF leaves the number as it was.
    open(QStringLiteral("41"));
    QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(QStringLiteral("PDF")), qPrintable(shown[0].text));
    QCOMPARE(shown[0].buttons, QList<MessageBox::Answer>({MessageBox::SaveAsPdf, MessageBox::Cancel}));
    QCOMPARE(m_window->TextN()->text(), QStringLiteral("41"));
    QVERIFY(!QFile::exists(m_dir->filePath("numch.txt")));

    const QString pdf = m_dir->filePath("receipt.pdf");
    PrintCommand::setSaveFileNameChooser([&](QWidget *, const QString &, const QString &) { return pdf; });
    MessageBox::setNextAnswer(MessageBox::SaveAsPdf);
    QTest::mouseClick(m_window->CmdPrint(), Qt::LeftButton);
    verifyPrinted(pdf, "41", "42");
    QCOMPARE(fileBytes(m_dir->filePath("numch.txt")), QByteArray("42\r\n"));
}

void tst_Printing::savesAsPdf_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("next");
    QTest::addColumn<bool>("numberFileBlocked");
    QTest::newRow("41 -> 42") << "41" << "42" << false;
    QTest::newRow("б/н unchanged") << "б/н" << "б/н" << false;
    QTest::newRow("41 -> 42, numch.txt cannot be written: told, still raised") << "41" << "42" << true;
}

void tst_Printing::savesAsPdf()
{
    QFETCH(QString, number);
    QFETCH(QString, next);
    QFETCH(bool, numberFileBlocked);
    const QString numberFile = m_dir->filePath("numch.txt");
    if (numberFileBlocked)
        QVERIFY(QDir().mkpath(numberFile));
    open(number);
    QString suggested;
    PrintCommand::setSaveFileNameChooser([&](QWidget *, const QString &, const QString &path) {
        suggested = path;
        return m_dir->filePath("receipt"); // the suffix is added
    });
    trigger("actSavePdf");

    QVERIFY2(QFileInfo(suggested).fileName().startsWith(QStringLiteral("Товарный чек № ")), qPrintable(suggested));
    verifyPrinted(m_dir->filePath("receipt.pdf"), number, next);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), numberFileBlocked ? 1 : 0);
    if (numberFileBlocked)
        QVERIFY2(shown[0].text.contains(numberFile), qPrintable(shown[0].text));
    else
        QCOMPARE(fileBytes(numberFile), next == number ? QByteArray("<missing>") : (next + "\r\n").toUtf8());
}

void tst_Printing::printerDialogAndPreview()
{
    open(QStringLiteral("41"));
    const QString pdf = m_dir->filePath("chosen.pdf");

    // A preview, and a printer dialog closed without printing, count nothing.
    int previewPages = 0;
    PrintCommand::setDialogRunner([&](QDialog &dialog) {
        auto *preview = dialog.findChild<QPrintPreviewWidget *>();
        preview->updatePreview();
        previewPages = preview->pageCount();
        return int(QDialog::Rejected);
    });
    trigger("actPrintPreview");
    QCOMPARE(previewPages, 1);
    PrintCommand::setDialogRunner([](QDialog &) { return int(QDialog::Rejected); });
    trigger("actPrintDialog");
    QCOMPARE(m_window->TextN()->text(), QStringLiteral("41"));
    QVERIFY(!QFile::exists(m_dir->filePath("numch.txt")));

    // Printing on the printer chosen in the dialog, and from the preview's own print button, counts.
    PrintCommand::setDialogRunner([&](QDialog &dialog) {
        static_cast<QPrintDialog &>(dialog).printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    });
    trigger("actPrintDialog");
    verifyPrinted(pdf, "41", "42");
    PrintCommand::setDialogRunner([&](QDialog &dialog) {
        auto &preview = static_cast<QPrintPreviewDialog &>(dialog);
        preview.printer()->setOutputFileName(pdf);
        emit preview.paintRequested(preview.printer());
        return int(QDialog::Accepted);
    });
    trigger("actPrintPreview");
    verifyPrinted(pdf, "42", "43");
    QCOMPARE(fileBytes(m_dir->filePath("numch.txt")), QByteArray("43\r\n"));
    QCOMPARE(MessageBox::takeShown().size(), 0);
}

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
