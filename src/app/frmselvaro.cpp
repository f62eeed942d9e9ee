// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmselvaro.h"

#include "goodscompleter.h"
#include "journalrecorder.h"
#include "linesums.h"
#include "messagebox.h"
#include "numbertext.h"
#include "paintthrottle.h"
#include "printcommand.h"
#include "resizelayout.h"
#include "summastring.h"
#include "tableflexgrid.h"
#include "totalwords.h"
#include "twips.h"
#include "widgetboxes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace {

const QString kTitle = QStringLiteral("Товарный чек");

// The columns of the goods name, its unit and its price.
constexpr int kNameColumn = 1;
constexpr int kUnitColumn = 2;
constexpr int kPriceColumn = 4;

// The grid's headings; the blanks make the columns wide.
const QString kFormatString = QStringLiteral(
    "^№ |^           Наименование товара                      |^ Ед.   |^   Кол-во  |^      Цена       "
    "|^            Сумма        ");

// Shown until "clishr.txt" supplies the seller's own line.
const QString kSampleSeller =
    QStringLiteral("ИП Иванов Иван Иванович, ИНН 771234567890, г. Москва, ул. Примерная, д. 1");

// Lets the window handle its pending events: once per line in the recalculation loops (whose painting
// PaintThrottle holds back meanwhile), and once before the editor takes the focus.
void yieldToEvents()
{
    QCoreApplication::processEvents();
}

} // namespace

FrmSelvaro::FrmSelvaro(const StatePlaces &places, const QLocale &locale, QWidget *parent)
    : QWidget(parent), m_places(places), m_locale(locale)
{
    setObjectName(QStringLiteral("FrmSelvaro"));
    setWindowTitle(kTitle);
    setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    createControls();

    // Created at its smallest size, which no dragging can go below.
    const Twips twips(*this);
    setMinimumSize(twips.toPixelsX(kMinimumClientWidth), twips.toPixelsY(kMinimumClientHeight));
    resize(minimumSize());

    QPointer<FrmSelvaro> window(this);
    setFormatErrorReporter([window](const QString &title, const QString &text) {
        MessageBox::critical(window, title, text);
    });

    Form_Load();
    m_journalRecorder->start();
    m_TxtClish->setFocus(Qt::OtherFocusReason);
}

FrmSelvaro::~FrmSelvaro()
{
    // The grid goes after the editor behind it: what it raises while it goes is no longer handled.
    disconnect(m_MSFGAZ, nullptr, this, nullptr);
    setFormatErrorReporter(nullptr);
}

void FrmSelvaro::createControls()
{
    const Twips twips(*this);
    const QFont bold = designFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    const QFont regular = designFont(QStringLiteral("MS Sans Serif"), 8.25);

    auto place = [&](QWidget *control, const char *name, int left, int top, int width, int height) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(twips.toPixels(left, top, width, height));
        m_byName.insert(QLatin1String(name), control);
    };
    auto button = [&](const char *name, const QString &caption, int left, int top, int width, int height) {
        auto *b = new QPushButton(caption, this);
        place(b, name, left, top, width, height);
        b->setFont(bold);
        QPalette palette = b->palette();
        palette.setColor(QPalette::Button, QColor(224, 224, 224));
        b->setPalette(palette);
        b->setAccessibleName(caption.trimmed());
        return b;
    };
    auto label = [&](const char *name, const QString &caption, int left, int top, int width, int height) {
        auto *l = new QLabel(caption, this);
        place(l, name, left, top, width, height);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };

    // In the order the window creates them; later ones lie above earlier ones.
    m_Text7 = new ClickLineEdit(this);
    place(m_Text7, "Text7", 6840, 3960, 1695, 285);
    m_Text7->setReadOnly(true);
    m_Text7->setAlignment(Qt::AlignCenter);
    m_Text7->setAccessibleName(QStringLiteral("ИТОГО"));
    m_text7Font = m_Text7->font();

    m_TextN = new QLineEdit(this);
    place(m_TextN, "TextN", 5640, 810, 735, 285);
    m_TextN->setAccessibleName(QStringLiteral("ТОВАРНЫЙ ЧЕК №"));

    m_TextFIO = new QLineEdit(this);
    place(m_TextFIO, "TextFIO", 1800, 5160, 2775, 315);
    m_TextFIO->setAccessibleName(QStringLiteral("Продавец"));

    m_Text4 = new QPlainTextEdit(this);
    place(m_Text4, "Text4", 2160, 4440, 6375, 495);
    m_Text4->setReadOnly(true);
    m_Text4->setFocusPolicy(Qt::StrongFocus);
    m_Text4->setTabChangesFocus(true);
    m_Text4->document()->setDocumentMargin(1);
    m_Text4->setAccessibleName(QStringLiteral("ИТОГО на сумму:"));

    m_CmdPrint = button("CmdPrint", QStringLiteral("Печать"), 5640, 5760, 855, 375);

    m_CmdSaveg = new QPushButton(this);
    place(m_CmdSaveg, "CmdSaveg", 120, 2280, 255, 255);
    m_CmdSaveg->setAccessibleName(QStringLiteral("Правка записана"));
    m_CmdSaveg->setVisible(false);

    m_txtDataEntry = new QLineEdit(QStringLiteral("Text1"), this);
    place(m_txtDataEntry, "txtDataEntry", 120, 1680, 255, 285);
    m_txtDataEntry->setAccessibleName(QStringLiteral("Ввод в ячейку"));
    m_txtDataEntry->setVisible(false);

    m_TxtClish = new QLineEdit(kSampleSeller, this);
    place(m_TxtClish, "TxtClish", 600, 120, 8055, 285);
    m_TxtClish->setAlignment(Qt::AlignCenter);
    m_TxtClish->setAccessibleName(QStringLiteral("Строка продавца"));

    m_MSFGAZ = new TableFlexGrid(this);
    place(m_MSFGAZ, "MSFGAZ", 600, 1320, 8055, 2415);
    m_MSFGAZ->setFont(regular);
    m_MSFGAZ->horizontalHeader()->setFont(regular);
    m_MSFGAZ->setAccessibleName(QStringLiteral("Строки чека"));
    m_MSFGAZ->horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(255, 255, 192); color: black; padding: 0px;"
        " border: none; border-right: 1px solid #a0a0a0; border-bottom: 1px solid #a0a0a0; }"));
    QPalette gridPalette = m_MSFGAZ->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        gridPalette.setColor(group, QPalette::Highlight, QColor(255, 128, 128));
        gridPalette.setColor(group, QPalette::HighlightedText, QColor(192, 255, 255));
    }
    m_MSFGAZ->setPalette(gridPalette);

    m_CmdAddS = button("CmdAddS", QStringLiteral("Добавить строку"), 600, 5760, 1815, 375);
    m_CmdDelS = button("CmdDelS", QStringLiteral(" Удалить строку"), 2640, 5760, 1935, 375);
    m_CmdExit = button("CmdExit", QStringLiteral("Выход"), 7680, 5760, 855, 375);

    QLabel *label6 = label("Label6", QStringLiteral("ИТОГО"), 6120, 4080, 615, 255);
    label6->setBuddy(m_Text7);
    label("Label5", QStringLiteral("МП"), 4920, 5400, 375, 255);
    // Read out without the rule drawn with underscores.
    label("Label4", QStringLiteral("Подпись      _____________________"), 5640, 5280, 2895, 255)
        ->setAccessibleName(QStringLiteral("Подпись"));
    QLabel *label3 = label("Label3", QStringLiteral("Продавец"), 600, 5280, 855, 255);
    label3->setBuddy(m_TextFIO);
    QLabel *label2 = label("Label2", QStringLiteral("ТОВАРНЫЙ ЧЕК №"), 2640, 720, 2895, 375);
    label2->setFont(bold);
    label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label2->setBuddy(m_TextN);
    QLabel *label1 = label("Label1", QStringLiteral("ИТОГО на сумму:"), 600, 4560, 1455, 255);
    label1->setBuddy(m_Text4);

    m_txtDataEntry->raise();

    // Tab order from top to bottom, as a receipt is made out: header, number, lines, total, words,
    // seller, then the buttons from left to right.
    const QList<QWidget *> order = {m_TxtClish, m_TextN, m_MSFGAZ, m_txtDataEntry, m_CmdSaveg, m_Text7, m_Text4,
                                    m_TextFIO, m_CmdAddS, m_CmdDelS, m_CmdPrint, m_CmdExit};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    m_editor = std::make_unique<LineCellEditor>(m_txtDataEntry, m_MSFGAZ);
    m_text7Box = std::make_unique<LineEditBox>(m_Text7);
    m_text4Box = std::make_unique<PlainTextBox>(m_Text4);

    // The editor is only ever shown over the current cell, after one of these: a screen reader names it
    // by that cell. Connected first, so the name is set before the editor is shown.
    connect(m_MSFGAZ, &TableFlexGrid::RowColChange, this, &FrmSelvaro::nameEditor);
    connect(m_MSFGAZ, &TableFlexGrid::Click, this, &FrmSelvaro::nameEditor);
    connect(m_MSFGAZ, &TableFlexGrid::LeaveCell, this, &FrmSelvaro::MSFGAZ_LeaveCell);
    connect(m_MSFGAZ, &TableFlexGrid::RowColChange, this, &FrmSelvaro::MSFGAZ_RowColChange);
    connect(m_MSFGAZ, &TableFlexGrid::Click, this, &FrmSelvaro::MSFGAZ_Click);
    connect(m_MSFGAZ, &TableFlexGrid::CellsMoved, this, &FrmSelvaro::placeEditor);
    connect(m_CmdAddS, &QPushButton::clicked, this, &FrmSelvaro::CmdAddS_Click);
    connect(m_CmdDelS, &QPushButton::clicked, this, &FrmSelvaro::CmdDelS_Click);
    connect(m_CmdPrint, &QPushButton::clicked, this, &FrmSelvaro::CmdPrint_Click);
    connect(m_CmdExit, &QPushButton::clicked, this, &FrmSelvaro::CmdExit_Click);
    connect(m_Text7, &ClickLineEdit::Click, this, &FrmSelvaro::Text7_Click);
    // Reached by keys, the total is made in one go: keys typed on (a Tab to the words) wait until it is
    // whole rather than leave it half made.
    connect(m_Text7, &ClickLineEdit::KeyClick, this, [this] { makeTotal({}); });
    connect(m_Text7, &ClickLineEdit::LostFocus, this, &FrmSelvaro::Text7_LostFocus);
    connect(m_Text7, &QLineEdit::textChanged, this, &FrmSelvaro::fitTotal);
    m_txtDataEntry->installEventFilter(this);
    m_MSFGAZ->installEventFilter(this);
    m_paintThrottle = new PaintThrottle(this);

    m_printCommand = new PrintCommand(this);
    m_journalRecorder = new JournalRecorder(this);

    // Names typed in «Наименование товара» are completed from the goods the journal has sold.
    m_goodsCompleter = new GoodsCompleter(
        m_txtDataEntry, [this](const QString &text) { return m_journalRecorder->goods(text); }, this);
    connect(m_txtDataEntry, &QLineEdit::textEdited, this, [this] {
        if (m_editor->Visible() && m_MSFGAZ->Col() == kNameColumn)
            m_goodsCompleter->textTyped();
    });
    connect(m_goodsCompleter, &GoodsCompleter::chosen, this, &FrmSelvaro::goodsChosen);
}

void FrmSelvaro::goodsChosen(const JournalGoods &goods)
{
    // What the seller typed in the line is never overwritten.
    const int row = m_MSFGAZ->Row();
    for (const auto &[col, text] : {std::pair(kUnitColumn, goods.unit), std::pair(kPriceColumn, goods.price)}) {
        if (!text.isEmpty() && m_MSFGAZ->TextMatrix(row, col).trimmed().isEmpty()) {
            m_MSFGAZ->setTextMatrix(row, col, text);
            m_CmdSaveg->setEnabled(true);
        }
    }
}

QLineEdit *FrmSelvaro::txtDataEntry() const
{
    return m_txtDataEntry;
}

QLineEdit *FrmSelvaro::Text7() const
{
    return m_Text7;
}

void FrmSelvaro::Form_Load()
{
    QString header = m_TxtClish->text();
    QString number = m_TextN->text();
    Start(m_places, header, number);
    m_TxtClish->setText(header);
    m_TextN->setText(number);

    m_MSFGAZ->setFormatString(kFormatString);
    m_MSFGAZ->setColWidth(0, 600);
    m_MSFGAZ->setRowHeight(0, 400);
}

int FrmSelvaro::ScaleWidth() const
{
    return Twips(*this).fromPixelsX(width());
}

int FrmSelvaro::ScaleHeight() const
{
    return Twips(*this).fromPixelsY(height());
}

void FrmSelvaro::Form_Resize()
{
    const Twips twips(*this);
    // The platform's own frame is not read: before the window manager has framed the window it reads
    // as none, and would make a window of the right size look too small.
    if (!isMinimized() && !isMaximized() && !isFullScreen()
        && needsMinimumSize(float(ScaleHeight()) + kFrameHeight, float(ScaleWidth()) + kFrameWidth))
        resize(twips.toPixelsX(kMinimumClientWidth), twips.toPixelsY(kMinimumClientHeight));

    for (const LayoutWrite &write : resizeLayout(float(ScaleWidth()), float(ScaleHeight()))) {
        QWidget *control = m_byName.value(QLatin1String(write.control));
        if (!control)
            continue;
        switch (write.property) {
        case LayoutProperty::Width:
            if (write.value >= 0)
                control->resize(twips.toPixelsX(write.value), control->height());
            break;
        case LayoutProperty::Height:
            if (write.value >= 0)
                control->resize(control->width(), twips.toPixelsY(write.value));
            break;
        case LayoutProperty::Top:
            control->move(control->x(), twips.toPixelsY(write.value));
            break;
        }
    }
}

void FrmSelvaro::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

bool FrmSelvaro::Form_Unload()
{
    if (m_finished)
        return true;
    if (!m_journalRecorder->keepDraft())
        return false;
    for (;;) {
        const QList<SaveFailure> failures = saveStateFiles(false);
        if (failures.isEmpty()) {
            m_finished = true;
            tellCharactersNotKept();
            return true;
        }
        QStringList lines;
        for (const SaveFailure &failure : failures)
            lines << QStringLiteral("Не удалось сохранить файл «%1»: %2").arg(failure.filePath, failure.reason);
        const QString text = lines.join(QLatin1Char('\n'))
            + QStringLiteral("\n\nБез него строка продавца и номер чека не сохранятся до следующего запуска.");
        const MessageBox::Answer answer = MessageBox::show(
            this, QMessageBox::Warning, kTitle, text,
            {MessageBox::Retry, MessageBox::CloseWithoutSaving, MessageBox::Cancel}, MessageBox::Retry,
            MessageBox::Cancel);
        if (answer == MessageBox::Retry)
            continue;
        if (answer == MessageBox::CloseWithoutSaving) {
            m_finished = true;
            return true;
        }
        return false;
    }
}

QList<SaveFailure> FrmSelvaro::saveStateFiles(bool numberOnly)
{
    const QString elsewhere = firstSaveElsewhere(m_places);
    const QList<SaveFailure> failures = numberOnly ? saveNumber(m_places, m_TextN->text())
                                                   : Finish(m_places, m_TxtClish->text(), m_TextN->text());
    if (failures.isEmpty() && !elsewhere.isEmpty())
        MessageBox::show(this, QMessageBox::Information, kTitle,
                         QStringLiteral("В папку программы «%1» нельзя записывать, поэтому строка продавца и номер чека "
                                        "теперь хранятся в папке «%2».")
                             .arg(QDir::toNativeSeparators(m_places.appDir), QDir::toNativeSeparators(elsewhere)),
                         {MessageBox::Ok}, MessageBox::Ok, MessageBox::Ok);
    return failures;
}

void FrmSelvaro::tellCharactersNotKept()
{
    QStringList lines;
    for (const auto &[box, name] : {std::pair(m_TxtClish, QStringLiteral("строке продавца")),
                                    std::pair(m_TextN, QStringLiteral("номере чека"))}) {
        const QStringList lost = charactersNotKept(box->text());
        if (!lost.isEmpty())
            lines << QStringLiteral("В %1: «%2»").arg(name, lost.join(QStringLiteral("», «")));
    }
    if (lines.isEmpty())
        return;
    MessageBox::show(this, QMessageBox::Information, kTitle,
                     QStringLiteral("Эти знаки нельзя сохранить в файле (кодировка Windows-1251), вместо них записан «?»:\n")
                         + lines.join(QLatin1Char('\n')),
                     {MessageBox::Ok}, MessageBox::Ok, MessageBox::Ok);
}

std::unique_ptr<FrmSelvaro> FrmSelvaro::openReceiptBook(const StatePlaces &places, const QLocale &locale)
{
    std::unique_ptr<QLockFile> lock = lockStateFiles(places);
    if (!lock) {
        MessageBox::show(nullptr, QMessageBox::Information, kTitle,
                         QStringLiteral("Книга чеков уже открыта в другом окне программы. Выписывайте чеки в нём: "
                                        "два окна дали бы двум чекам один номер."),
                         {MessageBox::Ok}, MessageBox::Ok, MessageBox::Ok);
        return nullptr;
    }
    auto window = std::make_unique<FrmSelvaro>(places, locale);
    window->m_lock = std::move(lock);
    return window;
}

void FrmSelvaro::closeEvent(QCloseEvent *event)
{
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void FrmSelvaro::CmdExit_Click()
{
    if (close())
        QCoreApplication::exit(0);
}

void FrmSelvaro::CmdAddS_Click()
{
    appendLine(*m_MSFGAZ);
}

void FrmSelvaro::CmdDelS_Click()
{
    deleteLine(*m_MSFGAZ);
}

void FrmSelvaro::CmdPrint_Click()
{
    m_printCommand->print();
}

void FrmSelvaro::MSFGAZ_Click()
{
    showEditor(EditorOpening::CursorAtEnd, {});
}

void FrmSelvaro::MSFGAZ_LeaveCell()
{
    CommitCellEdit();
}

void FrmSelvaro::MSFGAZ_RowColChange()
{
    const PaintThrottle::Scope throttled(*m_paintThrottle);
    // An editor opened by keys typed during the recalculation's yields is the user's edit of the new
    // cell, still being typed: only an edit pending from before is written back here.
    const int openings = m_editorOpenings;
    recalculateLineSums(*m_MSFGAZ, m_locale, yieldToEvents);
    refreshTotal();
    if (m_editorOpenings == openings)
        CommitCellEdit();
}

// A total on show (or the reason it is missing) follows its lines at once, words and all.
void FrmSelvaro::refreshTotal()
{
    if (m_Text7->text().isEmpty() && m_Text4->toPlainText().isEmpty())
        return;
    recalculateTotal(*m_MSFGAZ, *m_text7Box, *m_text4Box, m_locale, {});
    writeTotalInWords(*m_text7Box, *m_text4Box, m_locale);
}

void FrmSelvaro::recalculateAll()
{
    CommitCellEdit();
    recalculateLineSums(*m_MSFGAZ, m_locale, {});
    recalculateTotal(*m_MSFGAZ, *m_text7Box, *m_text4Box, m_locale, {});
    writeTotalInWords(*m_text7Box, *m_text4Box, m_locale);
}

// A total too wide for its box (a quantity of twenty digits) is set smaller, down to 6 points, with its
// start in view; the whole text is also its tooltip.
void FrmSelvaro::fitTotal()
{
    const QString text = m_Text7->text();
    const int room = m_Text7->width() - 2 * m_Text7->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 6;
    QFont font = m_text7Font;
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (font != m_Text7->font())
        m_Text7->setFont(font);
    m_Text7->setToolTip(font == m_text7Font ? QString() : text);
    m_Text7->setCursorPosition(0);
}

void FrmSelvaro::CommitCellEdit()
{
    if (::CommitCellEdit(*m_MSFGAZ, *m_editor))
        m_CmdSaveg->setEnabled(true);
}

void FrmSelvaro::Text7_Click()
{
    makeTotal(yieldToEvents);
}

void FrmSelvaro::makeTotal(const std::function<void()> &yield)
{
    const PaintThrottle::Scope throttled(*m_paintThrottle);
    // The total counts what is typed: a pending edit is written back and the line sums made first.
    CommitCellEdit();
    recalculateLineSums(*m_MSFGAZ, m_locale, yield);
    recalculateTotal(*m_MSFGAZ, *m_text7Box, *m_text4Box, m_locale, yield);
}

void FrmSelvaro::Text7_LostFocus()
{
    writeTotalInWords(*m_text7Box, *m_text4Box, m_locale);
}

QChar FrmSelvaro::DecimalSeparator() const
{
    return ::DecimalSeparator(m_locale);
}

void FrmSelvaro::nameEditor()
{
    m_txtDataEntry->setAccessibleName(QStringLiteral("%1, строка %2")
                                          .arg(m_MSFGAZ->TextMatrix(0, m_MSFGAZ->Col()).trimmed())
                                          .arg(m_MSFGAZ->Row()));
}

void FrmSelvaro::showEditor(EditorOpening opening, const std::function<void()> &beforeYield)
{
    if (!m_editor->Visible()) {
        ++m_editorOpenings;
        m_openingOwed = false;
    }
    const Twips twips(*this);
    showCellEditor(*m_MSFGAZ, twips.fromPixelsX(m_MSFGAZ->x()), twips.fromPixelsY(m_MSFGAZ->y()), *m_editor, opening,
                   [&] {
                       placeEditor();
                       if (beforeYield)
                           beforeYield();
                       yieldToEvents();
                   });
}

void FrmSelvaro::openEditor(EditorOpening opening, QKeyEvent *first)
{
    m_MSFGAZ->scrollTo(m_MSFGAZ->model()->index(m_MSFGAZ->Row() - 1, m_MSFGAZ->Col()));
    nameEditor();
    showEditor(opening, [&] {
        if (first)
            QCoreApplication::sendEvent(m_txtDataEntry, first);
    });
}

void FrmSelvaro::placeEditor()
{
    if (!m_editor->Visible())
        return;
    const QRect inView = m_MSFGAZ->cellRect(m_MSFGAZ->Row(), m_MSFGAZ->Col()).intersected(m_MSFGAZ->viewport()->geometry());
    m_editor->showIn(inView.isEmpty() ? QRect() : inView.translated(m_MSFGAZ->pos()));
}

void FrmSelvaro::enterKey(EntryKey key)
{
    const std::optional<EntryMove> move =
        entryMove(key, m_MSFGAZ->Row(), m_MSFGAZ->Col(), m_MSFGAZ->Rows(), m_MSFGAZ->Cols());
    if (!move)
        return;
    m_openingOwed = true;
    if (move->appendLine)
        CmdAddS_Click();
    const bool moved = move->row < m_MSFGAZ->Rows();
    if (moved)
        m_MSFGAZ->moveTo(move->row, move->col);
    // Keys typed during the move's yields have opened the editor already and may have moved on, closed it
    // or left the grid; a click may have taken the focus elsewhere. Then they decide, not this move.
    if (std::exchange(m_openingOwed, false) && moved && m_MSFGAZ->hasFocus())
        openEditor(EditorOpening::SelectAll);
}

void FrmSelvaro::leaveGrid(bool forward)
{
    QWidget *from = forward ? static_cast<QWidget *>(m_txtDataEntry) : m_MSFGAZ;
    for (QWidget *w = from;;) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return;
        if (w == m_txtDataEntry || w == m_MSFGAZ || m_MSFGAZ->isAncestorOf(w) || !isAncestorOf(w))
            continue;
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

namespace {

// Ctrl+Tab (true), Ctrl+Shift+Tab (false), or neither.
std::optional<bool> controlTab(const QKeyEvent *key)
{
    if (!(key->modifiers() & Qt::ControlModifier))
        return std::nullopt;
    if (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier)))
        return false;
    if (key->key() == Qt::Key_Tab)
        return true;
    return std::nullopt;
}

} // namespace

bool FrmSelvaro::gridKey(QKeyEvent *key)
{
    if (const std::optional<bool> forward = controlTab(key)) {
        leaveGrid(*forward);
        return true;
    }
    // Keys that reach the grid after a key move, before the editor has opened on the new cell, belong to
    // that editor; while an edit is pending with its cell scrolled out of view, to that edit. Once the
    // editor has opened (and perhaps closed again), or the keyboard has left the grid, they are the grid's.
    if (m_openingOwed || (m_editor->Visible() && !m_txtDataEntry->isVisible())) {
        openEditor(EditorOpening::SelectAll, key);
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openEditor(EditorOpening::SelectAll);
        return true;
    case Qt::Key_F2:
        openEditor(EditorOpening::CursorAtEnd);
        return true;
    default:
        break;
    }
    // A typed character opens the editor and replaces the cell's text there.
    if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
        openEditor(EditorOpening::SelectAll, key);
        return true;
    }
    return false;
}

bool FrmSelvaro::editorKey(QKeyEvent *key)
{
    if (const std::optional<bool> forward = controlTab(key)) {
        leaveGrid(*forward);
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    // An open list of goods answers its keys first; Esc there closes the list and keeps the edit.
    if (m_goodsCompleter->key(key))
        return true;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        enterKey(EntryKey::Enter);
        return true;
    case Qt::Key_Tab:
        enterKey(key->modifiers() & Qt::ShiftModifier ? EntryKey::BackTab : EntryKey::Tab);
        return true;
    case Qt::Key_Backtab:
        enterKey(EntryKey::BackTab);
        return true;
    case Qt::Key_Up:
        enterKey(EntryKey::Up);
        return true;
    case Qt::Key_Down:
        enterKey(EntryKey::Down);
        return true;
    case Qt::Key_Escape:
        cancelCellEdit(*m_editor);
        return true;
    default:
        return false;
    }
}

bool FrmSelvaro::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_txtDataEntry || watched == m_MSFGAZ)) {
        const QWidget *now = QApplication::focusWidget();
        if (now && now != m_txtDataEntry && now != m_MSFGAZ)
            m_openingOwed = false;
    }
    if (event->type() == QEvent::KeyPress) {
        if (watched == m_txtDataEntry && editorKey(static_cast<QKeyEvent *>(event)))
            return true;
        if (watched == m_MSFGAZ && gridKey(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
