// SPDX-License-Identifier: GPL-3.0-or-later
#include "printcommand.h"

#include "frmselvaro.h"
#include "journalrecorder.h"
#include "linesums.h"
#include "messagebox.h"
#include "printerpage.h"
#include "receiptnumber.h"
#include "stateplaces.h"
#include "tableflexgrid.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStandardPaths>

#include <utility>

namespace {

const QString kTitle = QStringLiteral("Товарный чек");

PrintCommand::DialogRunner s_dialogRunner;
PrintCommand::SaveFileNameChooser s_saveFileNameChooser;

int runDialog(QDialog &dialog)
{
    return s_dialogRunner ? s_dialogRunner(dialog) : dialog.exec();
}

QString chooseSaveFileName(QWidget *parent, const QString &caption, const QString &suggestedPath)
{
    if (s_saveFileNameChooser)
        return s_saveFileNameChooser(parent, caption, suggestedPath);
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, QStringLiteral("PDF (*.pdf)"));
}

QAction *addMenuAction(QPushButton *button, const char *name, const QString &text)
{
    auto *action = new QAction(text, button);
    action->setObjectName(QLatin1String(name));
    button->addAction(action);
    return action;
}

} // namespace

PrintCommand::PrintCommand(FrmSelvaro *window) : QObject(window), m_window(window)
{
    QPushButton *button = window->CmdPrint();
    button->setContextMenuPolicy(Qt::ActionsContextMenu);
    button->setToolTip(QStringLiteral("Печать чека на принтере по умолчанию (Ctrl+P).\n"
                                      "Правая кнопка мыши: выбор принтера, просмотр, сохранение в PDF."));
    connect(addMenuAction(button, "actPrintDialog", QStringLiteral("Печать…")), &QAction::triggered, this,
            &PrintCommand::printWithDialog);
    connect(addMenuAction(button, "actPrintPreview", QStringLiteral("Предварительный просмотр…")),
            &QAction::triggered, this, &PrintCommand::preview);
    connect(addMenuAction(button, "actSavePdf", QStringLiteral("Сохранить в PDF…")), &QAction::triggered, this,
            &PrintCommand::saveAsPdf);
    connect(addMenuAction(button, "actJournal", QStringLiteral("Журнал чеков…")), &QAction::triggered, this,
            [this] { m_window->journalRecorder()->showWindow(); });
    connect(addMenuAction(button, "actJournalServer", QStringLiteral("Журнал на сервере…")), &QAction::triggered,
            this, [this] { m_window->journalRecorder()->editServer(); });

    auto *shortcut = new QShortcut(QKeySequence::Print, window);
    connect(shortcut, &QShortcut::activated, window, &FrmSelvaro::CmdPrint_Click);
}

void PrintCommand::setDialogRunner(DialogRunner runner)
{
    s_dialogRunner = std::move(runner);
}

void PrintCommand::setSaveFileNameChooser(SaveFileNameChooser chooser)
{
    s_saveFileNameChooser = std::move(chooser);
}

QString PrintCommand::askPdfFileName(QWidget *parent, const QString &caption, const QString &suggestedPath)
{
    return chooseSaveFileName(parent, caption, suggestedPath);
}

std::optional<ReceiptTexts> PrintCommand::prepare()
{
    // The button takes the focus as a click on it would, so that leaving the total writes its words
    // before they are read, whichever way the command was given.
    m_window->CmdPrint()->setFocus(Qt::OtherFocusReason);

    // Once for the whole page: reading the cells must not recalculate anything. The total and its words
    // are made afresh, so the page never disagrees with its lines.
    m_window->recalculateAll();

    // A receipt number that is no number cannot count on: said before the page is made.
    const QString number = m_window->TextN()->text();
    if (!receiptNumberCounts(number, m_window->locale())) {
        const QString why = number.trimmed().isEmpty()
            ? QStringLiteral("Номер чека не указан")
            : QStringLiteral("Номер чека «%1» не число").arg(number);
        const MessageBox::Answer answer = MessageBox::show(
            m_window, QMessageBox::Warning, kTitle,
            why + QStringLiteral(", поэтому номер следующего чека не будет подсчитан.\n\nНапечатать чек всё равно?"),
            {MessageBox::PrintAnyway, MessageBox::Cancel}, MessageBox::Cancel, MessageBox::Cancel);
        if (answer != MessageBox::PrintAnyway)
            return std::nullopt;
    }

    return ReceiptTexts{m_window->TxtClish()->text(),
                        m_window->TextN()->text(),
                        receiptDate(QDate::currentDate(), m_window->locale()),
                        m_window->Text7()->text(),
                        m_window->Text4()->toPlainText(),
                        m_window->TextFIO()->text()};
}

void PrintCommand::moveToLastCell()
{
    TableFlexGrid *grid = m_window->MSFGAZ();
    if (grid->Rows() > 1 && grid->Cols() > 0)
        grid->moveTo(grid->Rows() - 1, grid->Cols() - 1);
}

void PrintCommand::print()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    const std::optional<ReceiptTexts> texts = prepare();
    if (texts)
        printOn(*newDefaultPrinter(), *texts);
}

void PrintCommand::printWithDialog()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    const std::optional<ReceiptTexts> texts = prepare();
    if (!texts)
        return;
    const auto printer = newDefaultPrinter();
    QPrintDialog dialog(printer.get(), m_window);
    dialog.setWindowTitle(QStringLiteral("Печать чека"));
    // The pages follow from the lines, so there is no range to choose.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize
                      | QAbstractPrintDialog::PrintCollateCopies);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    printOn(*printer, *texts);
}

void PrintCommand::printOn(QPrinter &printer, ReceiptTexts texts)
{
    if (!m_window->journalRecorder()->claimNumber(texts, issuedTo(printer)))
        return;
    const PrintResult result = printReceipt(printer, texts, *m_window->MSFGAZ());
    moveToLastCell();
    finishPrint(texts, result, printer);
}

void PrintCommand::preview()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    std::optional<ReceiptTexts> texts = prepare();
    if (!texts)
        return;
    const auto printer = newDefaultPrinter();
    // The number is taken before the page is shown, so that the preview shows the one printed.
    if (!m_window->journalRecorder()->claimNumber(*texts, issuedTo(*printer)))
        return;
    QPrintPreviewDialog dialog(printer.get(), m_window);
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    PrintResult last;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter *target) {
        last = previewReceipt(*target, *texts, *m_window->MSFGAZ());
    });
    // The preview closes accepted only when its own print button printed the page.
    if (runDialog(dialog) == QDialog::Accepted) {
        moveToLastCell();
        finishPrint(*texts, last, *printer);
        return;
    }
    m_window->journalRecorder()->releaseNumber();
    if (!last.ok && !last.reason.isEmpty()) {
        MessageBox::critical(m_window, kTitle, QStringLiteral("Не удалось показать чек: %1").arg(last.reason));
    }
}

void PrintCommand::saveAsPdf()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    if (const std::optional<ReceiptTexts> texts = prepare())
        savePdf(*texts);
}

void PrintCommand::finishPrint(const ReceiptTexts &printed, const PrintResult &result, const QPrinter &printer)
{
    if (result.ok) {
        count(printed, printer);
        return;
    }
    m_window->journalRecorder()->releaseNumber();
    if (result.noPrinter) {
        const MessageBox::Answer answer = MessageBox::show(
            m_window, QMessageBox::Warning, kTitle,
            QStringLiteral("Чек не напечатан. %1\n\nСохранить чек в файл PDF?").arg(result.reason),
            {MessageBox::SaveAsPdf, MessageBox::Cancel}, MessageBox::SaveAsPdf, MessageBox::Cancel);
        if (answer == MessageBox::SaveAsPdf)
            savePdf(printed);
        return;
    }
    MessageBox::critical(m_window, kTitle,
                         QStringLiteral("Чек не напечатан. %1\n\nНомер чека не изменён.").arg(result.reason));
}

void PrintCommand::savePdf(ReceiptTexts texts)
{
    QString fileName =
        chooseSaveFileName(m_window, QStringLiteral("Сохранить чек в PDF"), suggestedPdfPath(texts));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".pdf");
    m_pdfDir = QFileInfo(fileName).absolutePath();

    const auto printer = newPdfPrinter(fileName);
    if (!m_window->journalRecorder()->claimNumber(texts, issuedTo(*printer)))
        return;
    const PrintResult result = printReceipt(*printer, texts, *m_window->MSFGAZ());
    moveToLastCell();
    if (!result.ok) {
        m_window->journalRecorder()->releaseNumber();
        MessageBox::critical(m_window, kTitle,
                             QStringLiteral("Чек не сохранён в PDF. %1\n\nНомер чека не изменён.").arg(result.reason));
        return;
    }
    count(texts, *printer);
}

void PrintCommand::count(const ReceiptTexts &printed, const QPrinter &printer)
{
    m_window->journalRecorder()->recordPrint(printed, printer);

    // The next number follows the one on the page just made; a number that is no number stays as it is.
    const QString next = raiseReceiptNumber(printed.TextN, m_window->locale());
    if (next == printed.TextN)
        return;
    m_window->TextN()->setText(next);

    // Saved at once, so that a crash or a power cut never gives the next receipt this one's number.
    const QList<SaveFailure> failures = m_window->saveStateFiles(true);
    if (failures.isEmpty())
        return;
    QStringList lines{QStringLiteral("Номер следующего чека (%1) не сохранён.").arg(next)};
    for (const SaveFailure &failure : failures)
        lines << QStringLiteral("Не удалось сохранить файл «%1»: %2").arg(failure.filePath, failure.reason);
    lines << QString() << QStringLiteral("Номер будет сохранён ещё раз при закрытии программы.");
    MessageBox::show(m_window, QMessageBox::Warning, kTitle, lines.join(QLatin1Char('\n')), {MessageBox::Ok},
                     MessageBox::Ok, MessageBox::Ok);
}

QString PrintCommand::suggestedPdfPath(const ReceiptTexts &texts) const
{
    // A number such as "б/н" must not turn into a directory.
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString number = texts.TextN.trimmed();
    number.replace(unsafe, QStringLiteral("_"));
    const QString name = number.isEmpty() ? QStringLiteral("Товарный чек.pdf")
                                          : QStringLiteral("Товарный чек № %1.pdf").arg(number);
    QString dir = m_pdfDir;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    return QDir(dir).filePath(name);
}
