// SPDX-License-Identifier: GPL-3.0-or-later
#include "journalwindow.h"

#include "frmselvaro.h"
#include "journalcsv.h"
#include "journalrecorder.h"
#include "journalsummaryview.h"
#include "messagebox.h"
#include "tableflexgrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Rows read at a time: a screenful or two, so the window opens at once whatever the journal holds.
constexpr int kPage = 100;
// Typing is searched once it pauses this long.
constexpr int kSearchDelayMs = 250;

enum Column { Number, Date, Total, Seller, Goods, Columns };

JournalWindow::FileNameChooser s_csvFileNameChooser;

} // namespace

JournalModel::JournalModel(QObject *parent) : QAbstractTableModel(parent) {}

void JournalModel::setQuery(Journal *journal, const JournalFilter &filter)
{
    beginResetModel();
    m_journal = journal;
    m_filter = filter;
    m_rows.clear();
    m_atEnd = journal == nullptr;
    m_failure.clear();
    endResetModel();
    if (canFetchMore({}))
        fetchMore({});
}

int JournalModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const JournalRow &row = m_rows.at(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == Total)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (row.duplicate && index.column() == Number) {
        if (role == Qt::ForegroundRole)
            return QColor(Qt::darkRed);
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Чек напечатан, пока сервер был недоступен, а этот номер тем временем выдан на другой "
                                  "кассе. Чек оставлен в журнале с напечатанным номером.");
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Number:
        return row.copyOf ? QStringLiteral("%1 (копия)").arg(row.number)
            : row.duplicate ? QStringLiteral("%1 (повтор номера)").arg(row.number) : row.number;
    case Date:
        return row.issuedAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    case Total:
        return row.total;
    case Seller:
        return row.sellerName;
    case Goods:
        return row.firstName;
    default:
        return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList headings = {QStringLiteral("№"), QStringLiteral("Дата"), QStringLiteral("Сумма"),
                                         QStringLiteral("Продавец"), QStringLiteral("Товар")};
    return headings.value(section);
}

bool JournalModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void JournalModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    JournalStatus status;
    const QList<JournalRow> more = m_journal->rows(m_filter, int(m_rows.size()), kPage, &status);
    if (!status) {
        m_failure = status.reason;
        m_atEnd = true;
        return;
    }
    m_atEnd = more.size() < kPage;
    if (more.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + more.size() - 1));
    m_rows += more;
    endInsertRows();
}

JournalWindow::JournalWindow(JournalRecorder *recorder, FrmSelvaro *window)
    : QWidget(window, Qt::Window), m_recorder(recorder), m_window(window), m_model(new JournalModel(this))
{
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Журнал чеков"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(QStringLiteral("Номер, товар или продавец"));
    m_search->setClearButtonEnabled(true);
    m_search->setAccessibleName(QStringLiteral("Поиск"));
    auto *searchLabel = new QLabel(QStringLiteral("&Найти:"), this);
    searchLabel->setBuddy(m_search);

    // The range is open until the period is ticked; the dates keep what was set meanwhile.
    m_period = new QCheckBox(QStringLiteral("&Период с"), this);
    m_period->setObjectName(QStringLiteral("period"));
    m_from = new QDateEdit(QDate::currentDate().addMonths(-1), this);
    m_from->setObjectName(QStringLiteral("dateFrom"));
    m_from->setAccessibleName(QStringLiteral("Период с"));
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("dateTo"));
    m_to->setAccessibleName(QStringLiteral("Период по"));
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setLocale(window->locale());
        edit->setDisplayFormat(window->locale().dateFormat(QLocale::ShortFormat));
        edit->setCalendarPopup(true);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) + 40);
        edit->setEnabled(false);
    }

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("receipts"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setAccessibleName(QStringLiteral("Чеки"));
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_view->setColumnWidth(Number, digit * 12);
    m_view->setColumnWidth(Date, digit * 17);
    m_view->setColumnWidth(Total, digit * 12);
    m_view->setColumnWidth(Seller, digit * 16);

    m_summary = new JournalSummaryView(window->locale(), this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(m_view, QStringLiteral("&Чеки"));
    m_tabs->addTab(m_summary, QStringLiteral("&Итоги"));
    m_exportCsv = new QPushButton(QStringLiteral("&Экспорт CSV…"), this);
    m_exportCsv->setObjectName(QStringLiteral("exportCsv"));
    m_exportCsv->setToolTip(QStringLiteral("Строки чеков периода (без копий) в файл для электронной таблицы"));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Shown while receipts printed with the server away wait on this computer.
    m_sendUnsent = new QPushButton(this);
    m_sendUnsent->setObjectName(QStringLiteral("sendUnsent"));
    m_sendUnsent->setVisible(false);

    m_previewPrinter = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    m_preview = new QPrintPreviewWidget(m_previewPrinter.get(), this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setAccessibleName(QStringLiteral("Чек, как он напечатан"));
    m_preview->setZoomMode(QPrintPreviewWidget::FitToWidth);

    m_printCopy = new QPushButton(QStringLiteral("Печать &копии"), this);
    m_printCopy->setObjectName(QStringLiteral("printCopy"));
    m_savePdf = new QPushButton(QStringLiteral("Сохранить в &PDF…"), this);
    m_savePdf->setObjectName(QStringLiteral("savePdf"));
    m_fromSample = new QPushButton(QStringLiteral("Новый чек по &образцу"), this);
    m_fromSample->setObjectName(QStringLiteral("fromSample"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(searchLabel);
    filters->addWidget(m_search, 1);
    filters->addSpacing(12);
    filters->addWidget(m_period);
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral("по"), this));
    filters->addWidget(m_to);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(filters);
    leftLayout->addWidget(m_tabs, 1);
    auto *below = new QHBoxLayout;
    below->addWidget(m_status, 1);
    below->addWidget(m_sendUnsent, 0, Qt::AlignTop);
    below->addWidget(m_exportCsv, 0, Qt::AlignTop);
    leftLayout->addLayout(below);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_preview, 1);
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_printCopy);
    actions->addWidget(m_savePdf);
    actions->addWidget(m_fromSample);
    rightLayout->addLayout(actions);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    resize(1100, 640);

    m_searchDelay = new QTimer(this);
    m_searchDelay->setSingleShot(true);
    m_searchDelay->setInterval(kSearchDelayMs);
    connect(m_searchDelay, &QTimer::timeout, this, &JournalWindow::reload);
    connect(recorder, &JournalRecorder::recorded, this, [this] {
        m_summarized.reset();
        if (isVisible())
            reload();
    });
    connect(m_search, &QLineEdit::textChanged, m_searchDelay, qOverload<>(&QTimer::start));
    // Enter searches at once.
    connect(m_search, &QLineEdit::returnPressed, this, &JournalWindow::reload);
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        reload();
    });
    connect(m_from, &QDateEdit::dateChanged, this, &JournalWindow::reload);
    connect(m_to, &QDateEdit::dateChanged, this, &JournalWindow::reload);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { select(current); });
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &JournalWindow::paintPreview);
    connect(m_printCopy, &QPushButton::clicked, this, &JournalWindow::printCopy);
    connect(m_savePdf, &QPushButton::clicked, this, &JournalWindow::saveAsPdf);
    connect(m_fromSample, &QPushButton::clicked, this, &JournalWindow::newFromSample);
    connect(m_exportCsv, &QPushButton::clicked, this, &JournalWindow::exportCsv);
    connect(m_tabs, &QTabWidget::currentChanged, this, &JournalWindow::updateSummary);
    connect(m_sendUnsent, &QPushButton::clicked, this, &JournalWindow::sendUnsent);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    setTabOrder(m_search, m_period);
    setTabOrder(m_period, m_from);
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_view);
    setTabOrder(m_view, m_printCopy);
    setTabOrder(m_printCopy, m_savePdf);
    setTabOrder(m_savePdf, m_fromSample);
    setTabOrder(m_fromSample, m_exportCsv);
    select({});
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // What was printed while the window was hidden shows up as it opens.
    m_summarized.reset();
    reload();
    m_search->setFocus(Qt::OtherFocusReason);
}

JournalFilter JournalWindow::filter() const
{
    JournalFilter filter;
    filter.text = m_search->text();
    if (m_period->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    return filter;
}

void JournalWindow::reload()
{
    m_searchDelay->stop();
    QString why;
    Journal *journal = m_recorder->journal(&why);
    m_model->setQuery(journal, filter());
    if (!journal)
        showFailure(QStringLiteral("Журнал чеков не открывается. %1").arg(m_recorder->failureText(why)));
    else if (!m_model->failure().isEmpty())
        showFailure(QStringLiteral("Журнал чеков не читается: %1").arg(m_model->failure()));
    else if (m_model->rowCount() == 0)
        showFailure(filter().text.isEmpty() && !m_period->isChecked() ? QStringLiteral("В журнале ещё нет чеков.")
                                                                       : QStringLiteral("Ничего не найдено."));
    else
        m_status->clear();
    if (m_model->rowCount() > 0)
        m_view->setCurrentIndex(m_model->index(0, 0));
    else
        select({});
    const int waiting = m_recorder->unsentCount();
    m_sendUnsent->setText(QStringLiteral("Отправить на сервер (%1)").arg(waiting));
    m_sendUnsent->setVisible(waiting > 0);
    updateSummary();
}

void JournalWindow::updateSummary()
{
    const JournalFilter range = filter();
    m_summary->setNarrowed(!range.text.isEmpty());
    if (m_tabs->currentWidget() != m_summary || m_summarized == std::pair(range.from, range.to))
        return;
    QString why;
    Journal *journal = m_recorder->journal(&why);
    if (!journal) {
        m_summary->showFailure(QStringLiteral("Журнал чеков не открывается. %1").arg(m_recorder->failureText(why)));
        return;
    }
    JournalStatus status;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<JournalSummary> summary = journal->summary(range.from, range.to, &status);
    QApplication::restoreOverrideCursor();
    if (!summary) {
        m_summary->showFailure(QStringLiteral("Журнал чеков не читается: %1").arg(status.reason));
        return;
    }
    m_summary->showSummary(*summary);
    m_summarized = std::pair(range.from, range.to);
}

void JournalWindow::sendUnsent()
{
    const UnsentSending sending = m_recorder->sendUnsent();
    reload();
    QString text = QStringLiteral("Отправлено на сервер чеков: %1.").arg(sending.sent);
    if (sending.duplicates > 0)
        text += QStringLiteral(" Номера %1 из них тем временем выданы на другой кассе: они отмечены «повтор номера».")
                    .arg(sending.duplicates);
    if (!sending.status)
        text += QStringLiteral(" Остальные не отправлены: %1").arg(sending.status.reason);
    showFailure(text);
}

void JournalWindow::showFailure(const QString &text)
{
    m_status->setText(text);
}

void JournalWindow::select(const QModelIndex &index)
{
    m_selected.reset();
    if (index.isValid()) {
        JournalStatus status;
        Journal *journal = m_recorder->journal();
        if (journal)
            m_selected = journal->receipt(m_model->row(index.row()).id, &status);
        if (!m_selected)
            showFailure(QStringLiteral("Чек не читается из журнала: %1").arg(status.reason));
    }
    for (QPushButton *button : {m_printCopy, m_savePdf, m_fromSample})
        button->setEnabled(m_selected.has_value());
    m_preview->setVisible(m_selected.has_value());
    if (m_selected)
        m_preview->updatePreview();
}

void JournalWindow::paintPreview(QPrinter *printer)
{
    if (!m_selected)
        return;
    const PrintResult result = m_recorder->preview(*printer, *m_selected);
    if (!result.ok)
        showFailure(QStringLiteral("Чек не показывается: %1").arg(result.reason));
}

void JournalWindow::printCopy()
{
    if (m_selected)
        m_recorder->printCopy(*m_selected, this);
}

void JournalWindow::saveAsPdf()
{
    if (m_selected)
        m_recorder->saveCopyAsPdf(*m_selected, this);
}

void JournalWindow::setCsvFileNameChooser(FileNameChooser chooser)
{
    s_csvFileNameChooser = std::move(chooser);
}

void JournalWindow::exportCsv()
{
    QString why;
    Journal *journal = m_recorder->journal(&why);
    if (!journal) {
        MessageBox::critical(this, windowTitle(), QStringLiteral("Журнал чеков не открывается. %1").arg(m_recorder->failureText(why)));
        return;
    }
    const JournalFilter range = filter();
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    const QString suggested = QDir(dir).filePath(
        range.from.isValid() ? QStringLiteral("Чеки %1 — %2.csv").arg(range.from.toString(Qt::ISODate), range.to.toString(Qt::ISODate))
                             : QStringLiteral("Чеки.csv"));
    const QString caption = QStringLiteral("Экспорт CSV");
    QString fileName = s_csvFileNameChooser
        ? s_csvFileNameChooser(this, caption, suggested)
        : QFileDialog::getSaveFileName(this, caption, suggested, QStringLiteral("CSV (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    qint64 lines = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const JournalStatus written = writeJournalCsv(*journal, range.from, range.to, fileName, &lines);
    QApplication::restoreOverrideCursor();
    if (!written) {
        MessageBox::critical(this, windowTitle(), written.reason);
        return;
    }
    m_status->setText(QStringLiteral("Строк в файле «%1»: %2.").arg(QDir::toNativeSeparators(fileName)).arg(lines));
}

void JournalWindow::newFromSample()
{
    if (!m_selected)
        return;
    const TableFlexGrid *grid = m_window->MSFGAZ();
    bool holdsAnything = false;
    for (int row = 1; row < grid->Rows() && !holdsAnything; ++row)
        for (int col = 0; col < grid->Cols() && !holdsAnything; ++col)
            holdsAnything = !grid->TextMatrix(row, col).isEmpty();
    if (holdsAnything) {
        const MessageBox::Answer answer = MessageBox::show(
            this, QMessageBox::Question, windowTitle(),
            QStringLiteral("В окне чека уже есть строки. Заменить их строками чека № %1?").arg(m_selected->number),
            {MessageBox::Ok, MessageBox::Cancel}, MessageBox::Cancel, MessageBox::Cancel);
        if (answer != MessageBox::Ok)
            return;
    }
    m_recorder->putLines(m_selected->lines);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
