// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalrecorder.h"

#include "frmselvaro.h"
#include "journalserverdialog.h"
#include "journalsettings.h"
#include "journalwindow.h"
#include "messagebox.h"
#include "printcommand.h"
#include "stateplaces.h"
#include "tableflexgrid.h"
#include "textgrid.h"
#include "totalwords.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QShortcut>
#include <QStandardPaths>
#include <QUuid>

namespace {

const QString kTitle = QStringLiteral("Журнал чеков");
constexpr int kCells = 6;

QStringList cellsOf(const JournalLine &line)
{
    return {line.num, line.name, line.unit, line.quantity, line.price, line.sum};
}

JournalLine lineOf(const QStringList &cells)
{
    const QStringList c = (cells + QStringList(kCells)).mid(0, kCells);
    return {c[0], c[1], c[2], c[3], c[4], c[5]};
}

QList<QStringList> gridLines(const FlexGrid &grid)
{
    QList<QStringList> lines;
    for (int row = 1; row < grid.Rows(); ++row) {
        QStringList cells;
        for (int col = 0; col < kCells; ++col)
            cells << (col < grid.Cols() ? grid.TextMatrix(row, col) : QString());
        lines << cells;
    }
    return lines;
}

bool holdsAnything(const QList<QStringList> &lines)
{
    for (const QStringList &cells : lines)
        for (const QString &cell : cells)
            if (!cell.isEmpty())
                return true;
    return false;
}

QString newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString suggestedPdfPath(const JournalReceipt &receipt)
{
    // A number such as "б/н" must not turn into a directory.
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString number = receipt.number.trimmed();
    number.replace(unsafe, QStringLiteral("_"));
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir(dir).filePath(number.isEmpty() ? QStringLiteral("Товарный чек (копия).pdf")
                                               : QStringLiteral("Товарный чек № %1 (копия).pdf").arg(number));
}

} // namespace

JournalReceipt journalReceipt(const ReceiptTexts &texts, const FlexGrid &grid, const QLocale &locale,
                              const QString &issuedTo, const QDateTime &issuedAt)
{
    JournalReceipt receipt;
    receipt.number = texts.TextN;
    receipt.issuedAt = issuedAt;
    receipt.datePrinted = texts.date;
    receipt.sellerHeader = texts.TxtClish;
    receipt.sellerName = texts.TextFIO;
    receipt.total = texts.Text7;
    receipt.totalKopecks = totalKopecks(texts.Text7, locale);
    receipt.words = texts.Text4;
    receipt.issuedTo = issuedTo;
    receipt.uid = newUid();
    for (const QStringList &cells : gridLines(grid))
        receipt.lines << lineOf(cells);
    return receipt;
}

ReceiptTexts receiptTexts(const JournalReceipt &receipt)
{
    return {receipt.sellerHeader, receipt.number, receipt.datePrinted,
            receipt.total,        receipt.words,  receipt.sellerName};
}

QString issuedTo(const QPrinter &printer)
{
    if (!printer.outputFileName().isEmpty())
        return QStringLiteral("pdf:") + QDir::toNativeSeparators(printer.outputFileName());
    return QStringLiteral("printer:") + printer.printerName();
}

JournalRecorder::JournalRecorder(FrmSelvaro *window) : QObject(window), m_window(window)
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_J), window);
    connect(shortcut, &QShortcut::activated, this, &JournalRecorder::showWindow);
}

JournalRecorder::~JournalRecorder() = default;

QString JournalRecorder::filePath() const
{
    return QDir(stateDirectory(m_window->statePlaces())).filePath(QString::fromLatin1(kJournalFileName));
}

Journal *JournalRecorder::journal(QString *why)
{
    if (!m_journal) {
        JournalStatus status;
        const QString dir = stateDirectory(m_window->statePlaces());
        JournalSettings settings = readJournalSettings(dir);
        settings.server.password = JournalServerDialog::runPassword();
        m_journal = openJournal(settings, dir, &status);
        if (!m_journal && why)
            *why = status.reason;
    }
    return m_journal.get();
}

QString JournalRecorder::failureText(const QString &why) const
{
    const QString file = QDir::toNativeSeparators(filePath());
    return why.contains(file) ? why : QStringLiteral("Файл «%1»: %2").arg(file, why);
}

void JournalRecorder::start()
{
    QString why;
    Journal *journal = this->journal(&why);
    if (!journal) {
        MessageBox::show(m_window, QMessageBox::Warning, kTitle,
                         shared() ? QStringLiteral("Журнал чеков на сервере не открывается.\n%1\n\nПри печати программа "
                                                   "предложит сохранить чек в журнале этого компьютера и отправит его "
                                                   "на сервер, когда тот станет доступен.")
                                        .arg(why)
                                  : QStringLiteral("Журнал чеков не открывается.\n%1\n\nЧеки печатаются и нумеруются как "
                                                   "обычно, но в журнал не записываются; программа попробует открыть его "
                                                   "снова при следующей печати.")
                                        .arg(failureText(why)),
                         {MessageBox::Ok}, MessageBox::Ok, MessageBox::Ok);
        // The draft stays on this computer whichever journal is in use.
        journal = shared() ? outbox() : nullptr;
        if (!journal)
            return;
    }
    JournalStatus status;
    const std::optional<JournalDraft> draft = journal->draft(&status);
    // The file is let go until the first print or the journal window needs it, so a window that
    // prints nothing keeps nothing open.
    m_journal.reset();
    m_outbox.reset();
    if (!draft && !status) {
        MessageBox::show(m_window, QMessageBox::Warning, kTitle,
                         QStringLiteral("Черновик ненапечатанного чека не читается из журнала.\n%1")
                             .arg(failureText(status.reason)),
                         {MessageBox::Ok}, MessageBox::Ok, MessageBox::Ok);
        return;
    }
    if (!draft || draft->lines.isEmpty())
        return;
    m_draftKept = true;
    putLines(draft->lines);
    if (!draft->sellerName.isEmpty())
        m_window->TextFIO()->setText(draft->sellerName);
}

QList<QStringList> JournalRecorder::windowLines() const
{
    return gridLines(*m_window->MSFGAZ());
}

QStringList JournalRecorder::headings() const
{
    const TableFlexGrid *grid = m_window->MSFGAZ();
    QStringList headings;
    for (int col = 0; col < grid->Cols(); ++col)
        headings << grid->TextMatrix(0, col);
    return headings;
}

QList<JournalGoods> JournalRecorder::goods(const QString &text)
{
    constexpr int kOffered = 10;
    if (!m_goodsPause.hasExpired())
        return {};
    Journal *journal = this->journal();
    JournalStatus status;
    QList<JournalGoods> found = journal ? journal->goods(text, kOffered, &status) : QList<JournalGoods>();
    if (!journal || !status)
        m_goodsPause.setRemainingTime(60 * 1000);
    return found;
}

void JournalRecorder::recordPrint(const ReceiptTexts &printed, const QPrinter &printer)
{
    m_printedLines = windowLines();
    const bool unsent = std::exchange(m_claimUnsent, false);
    std::optional<JournalReceipt> claimed = std::exchange(m_claim, std::nullopt);
    if (claimed && claimed->number == printed.TextN) {
        QString why;
        Journal *local = unsent ? outbox(&why) : nullptr;
        const JournalStatus kept = !unsent ? JournalStatus() : local ? local->recordUnsent(*claimed) : JournalStatus::failure(why);
        if (kept)
            emit recorded();
        else
            tellUnrecorded(*claimed, kept.reason);
        if (Journal *drafts = m_journal ? m_journal.get() : outbox(); kept && m_draftKept && drafts && drafts->clearDraft())
            m_draftKept = false;
        return;
    }
    JournalReceipt receipt = journalReceipt(printed, *m_window->MSFGAZ(), m_window->locale(), issuedTo(printer),
                                            QDateTime::currentDateTime());
    if (record(receipt) && m_draftKept && m_journal->clearDraft())
        m_draftKept = false;
}

bool JournalRecorder::shared() const
{
    return readJournalSettings(stateDirectory(m_window->statePlaces())).driver == QLatin1String("postgresql");
}

Journal *JournalRecorder::outbox(QString *why)
{
    if (!m_outbox) {
        JournalStatus status;
        m_outbox = openSqliteJournal(filePath(), &status);
        if (!m_outbox && why)
            *why = failureText(status.reason);
    }
    return m_outbox.get();
}

Journal *JournalRecorder::draftJournal(QString *why)
{
    Journal *journal = this->journal(why);
    return journal || !shared() ? journal : outbox(why);
}

bool JournalRecorder::claimNumber(ReceiptTexts &texts, const QString &issuedTo)
{
    releaseNumber();
    if (!shared())
        return true;
    JournalReceipt receipt = journalReceipt(texts, *m_window->MSFGAZ(), m_window->locale(), issuedTo,
                                            QDateTime::currentDateTime());
    // What was kept while the server was away goes first, in the order it was printed.
    const UnsentSending sending = unsentCount() > 0 ? sendUnsent() : UnsentSending();
    JournalStatus status = sending.status;
    QString why;
    Journal *journal = status ? this->journal(&why) : nullptr;
    if (status && !journal)
        status = JournalStatus::failure(why);
    while (status && !(status = journal->record(receipt))) {
        if (status.kind != JournalFailure::NumberIssued)
            break;
        const QString taken = receipt.number;
        const std::optional<QString> next = journal->nextFreeNumber(receipt.sellerHeader, &status);
        if (!next)
            break;
        const MessageBox::Answer answer = MessageBox::show(
            m_window, QMessageBox::Warning, QStringLiteral("Товарный чек"),
            QStringLiteral("Чек № %1 уже выдан: он есть в общем журнале на сервере.\n\nНапечатать этот чек под следующим "
                           "свободным номером, %2?")
                .arg(taken, *next),
            {MessageBox::PrintAnyway, MessageBox::Cancel}, MessageBox::PrintAnyway, MessageBox::Cancel);
        if (answer != MessageBox::PrintAnyway)
            return false;
        m_window->TextN()->setText(*next);
        texts.TextN = receipt.number = *next;
    }
    if (!status) {
        const MessageBox::Answer answer = MessageBox::show(
            m_window, QMessageBox::Warning, QStringLiteral("Товарный чек"),
            QStringLiteral("Чек не записан в журнал на сервере.\n%1\n\nНапечатать чек и сохранить его в журнале этого "
                           "компьютера? Он будет отправлен на сервер, как только сервер станет доступен.")
                .arg(status.reason),
            {MessageBox::PrintAnyway, MessageBox::Cancel}, MessageBox::PrintAnyway, MessageBox::Cancel);
        if (answer != MessageBox::PrintAnyway)
            return false;
        m_claimUnsent = true;
    }
    m_claim = receipt;
    return true;
}

void JournalRecorder::releaseNumber()
{
    // A withdrawal that fails leaves the number taken by a receipt never printed: the next is offered.
    if (m_claim && !m_claimUnsent && m_claim->id && m_journal)
        m_journal->withdraw(m_claim->id);
    m_claim.reset();
    m_claimUnsent = false;
}

int JournalRecorder::unsentCount()
{
    Journal *local = shared() ? outbox() : nullptr;
    return local ? int(local->unsent().size()) : 0;
}

UnsentSending JournalRecorder::sendUnsent()
{
    UnsentSending sending;
    QString why;
    Journal *local = outbox(&why);
    Journal *server = local ? journal(&why) : nullptr;
    if (!server) {
        sending.status = JournalStatus::failure(why);
        return sending;
    }
    sending = ::sendUnsent(*local, *server);
    if (sending.sent > 0)
        emit recorded();
    return sending;
}

bool JournalRecorder::recordUnrecorded(QString *why)
{
    // Oldest first, so the journal keeps the order the receipts were issued in.
    while (!m_unrecorded.isEmpty()) {
        Journal *journal = this->journal(why);
        if (!journal)
            return false;
        const JournalStatus status = journal->record(m_unrecorded.first());
        if (!status) {
            *why = status.reason;
            return false;
        }
        m_unrecorded.removeFirst();
    }
    return true;
}

bool JournalRecorder::record(JournalReceipt &receipt)
{
    QString why;
    if (recordUnrecorded(&why)) {
        Journal *journal = this->journal(&why);
        const JournalStatus status = journal ? journal->record(receipt) : JournalStatus::failure(why);
        if (status) {
            emit recorded();
            return true;
        }
        why = status.reason;
    }
    tellUnrecorded(receipt, why);
    return false;
}

void JournalRecorder::tellUnrecorded(const JournalReceipt &receipt, const QString &why)
{
    m_unrecorded << receipt;

    const bool pdf = receipt.issuedTo.startsWith(QLatin1String("pdf:"));
    const QString what = receipt.copyOf
        ? QStringLiteral("Копия чека № %1 %2").arg(receipt.number, pdf ? "сохранена в PDF" : "напечатана")
        : QStringLiteral("Чек № %1 %2 и учтён").arg(receipt.number, pdf ? "сохранён в PDF" : "напечатан");
    const MessageBox::Answer answer = MessageBox::show(
        m_window, QMessageBox::Warning, kTitle,
        QStringLiteral("%1, но записать в журнал чеков не удалось.\n%2\n\nПрограмма запишет в журнал %3 при "
                       "следующей печати или при закрытии. Чтобы сохранить чек сейчас, сохраните его в PDF.")
            .arg(what, failureText(why),
                 m_unrecorded.size() > 1 ? QStringLiteral("все %1 таких чека").arg(m_unrecorded.size())
                                         : QStringLiteral("этот чек")),
        {MessageBox::SaveAsPdf, MessageBox::Ok}, MessageBox::SaveAsPdf, MessageBox::Ok);
    if (answer == MessageBox::SaveAsPdf)
        saveAsPdf(receipt, m_window, false);
}

namespace {

TextGrid gridOf(const QStringList &headings, const JournalReceipt &receipt)
{
    QList<QStringList> lines;
    for (const JournalLine &line : receipt.lines)
        lines << cellsOf(line);
    return TextGrid(headings, lines);
}

} // namespace

PrintResult JournalRecorder::printOn(QPrinter &printer, const JournalReceipt &receipt) const
{
    return printReceipt(printer, receiptTexts(receipt), gridOf(headings(), receipt));
}

PrintResult JournalRecorder::preview(QPrinter &printer, const JournalReceipt &receipt) const
{
    return previewReceipt(printer, receiptTexts(receipt), gridOf(headings(), receipt));
}

bool JournalRecorder::printCopy(const JournalReceipt &original, QWidget *parent)
{
    const auto printer = newDefaultPrinter();
    const PrintResult result = printOn(*printer, original);
    if (!result.ok) {
        if (result.noPrinter) {
            const MessageBox::Answer answer = MessageBox::show(
                parent, QMessageBox::Warning, kTitle,
                QStringLiteral("Копия не напечатана. %1\n\nСохранить копию в файл PDF?").arg(result.reason),
                {MessageBox::SaveAsPdf, MessageBox::Cancel}, MessageBox::SaveAsPdf, MessageBox::Cancel);
            return answer == MessageBox::SaveAsPdf && saveAsPdf(original, parent, true);
        }
        MessageBox::critical(parent, kTitle, QStringLiteral("Копия не напечатана. %1").arg(result.reason));
        return false;
    }
    recordCopy(original, *printer);
    return true;
}

void JournalRecorder::recordCopy(const JournalReceipt &original, const QPrinter &printer)
{
    JournalReceipt copy = original;
    copy.id = 0;
    copy.copyOf = original.copyOf.value_or(original.id);
    copy.issuedAt = QDateTime::currentDateTime();
    copy.issuedTo = issuedTo(printer);
    copy.uid = newUid();
    copy.duplicate = false;
    record(copy);
}

bool JournalRecorder::saveCopyAsPdf(const JournalReceipt &original, QWidget *parent)
{
    return saveAsPdf(original, parent, true);
}

bool JournalRecorder::saveAsPdf(const JournalReceipt &receipt, QWidget *parent, bool asCopy)
{
    QString fileName =
        PrintCommand::askPdfFileName(parent, QStringLiteral("Сохранить чек в PDF"), suggestedPdfPath(receipt));
    if (fileName.isEmpty())
        return false;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".pdf");
    const auto printer = newPdfPrinter(fileName);
    const PrintResult result = printOn(*printer, receipt);
    if (!result.ok) {
        MessageBox::critical(parent, kTitle, QStringLiteral("Чек не сохранён в PDF. %1").arg(result.reason));
        return false;
    }
    if (asCopy)
        recordCopy(receipt, *printer);
    return true;
}

void JournalRecorder::putLines(const QList<JournalLine> &lines)
{
    m_window->CommitCellEdit();
    TableFlexGrid *grid = m_window->MSFGAZ();
    // The grid keeps at least one line: the first stays and is overwritten.
    while (grid->Rows() > 2)
        grid->RemoveItem(grid->Rows() - 1);
    for (qsizetype i = 1; i < lines.size(); ++i)
        grid->AddItem(QString());
    for (int row = 1; row < grid->Rows(); ++row) {
        const QStringList cells = row - 1 < lines.size() ? cellsOf(lines[row - 1]) : QStringList(kCells);
        for (int col = 0; col < grid->Cols() && col < kCells; ++col)
            grid->setTextMatrix(row, col, cells[col]);
    }
    // The total and its words follow the new lines, as a click on the total and leaving it would.
    m_window->Text7_Click();
    m_window->Text7_LostFocus();
}

bool JournalRecorder::keepDraft()
{
    m_window->CommitCellEdit();
    const QList<QStringList> lines = windowLines();
    const bool unprinted = holdsAnything(lines) && lines != m_printedLines;
    for (;;) {
        QString why;
        bool kept = recordUnrecorded(&why);
        Journal *journal = kept && (unprinted || m_draftKept) ? draftJournal(&why) : nullptr;
        if (journal && !unprinted) {
            // A draft put back at the start and printed since (or emptied) is gone.
            if (m_draftKept && journal->clearDraft())
                m_draftKept = false;
        } else if (journal) {
            JournalDraft draft{m_window->TextFIO()->text(), {}};
            for (const QStringList &cells : lines)
                draft.lines << lineOf(cells);
            const JournalStatus status = journal->saveDraft(draft);
            kept = status.ok;
            m_draftKept = m_draftKept || kept;
            why = status.reason;
        }
        if (kept && (journal || !unprinted))
            return true;

        QStringList lost;
        if (!m_unrecorded.isEmpty())
            lost << QStringLiteral("Напечатанные чеки не записаны в журнал чеков: %1.").arg(m_unrecorded.size());
        if (unprinted)
            lost << QStringLiteral("Строки ненапечатанного чека не сохранены: при следующем запуске чек "
                                   "придётся набрать заново.");
        const MessageBox::Answer answer = MessageBox::show(
            m_window, QMessageBox::Warning, QStringLiteral("Товарный чек"),
            QStringLiteral("%1\n%2").arg(lost.join(QLatin1Char('\n')), failureText(why)),
            {MessageBox::Retry, MessageBox::CloseWithoutSaving, MessageBox::Cancel}, MessageBox::Retry,
            MessageBox::Cancel);
        if (answer == MessageBox::CloseWithoutSaving)
            return true;
        if (answer != MessageBox::Retry)
            return false;
    }
}

void JournalRecorder::editServer()
{
    if (!JournalServerDialog::edit(m_window, stateDirectory(m_window->statePlaces())))
        return;
    // The journal named by the new settings is opened at its next use.
    delete m_journalWindow;
    m_journal.reset();
    m_outbox.reset();
    m_goodsPause = QDeadlineTimer();
}

void JournalRecorder::showWindow()
{
    if (!m_journalWindow)
        m_journalWindow = new JournalWindow(this, m_window);
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

JournalWindow *JournalRecorder::journalWindow() const
{
    return m_journalWindow;
}
