#include "tableflexgrid.h"

#include <QHeaderView>
#include <QTest>

namespace {

QPoint cellCentre(const TableFlexGrid &grid, int row, int col)
{
    return grid.visualRect(grid.model()->index(row - 1, col)).center();
}

// Records the grid's events with the current cell each saw.
struct EventLog {
    explicit EventLog(TableFlexGrid &grid) : grid(grid)
    {
        QObject::connect(&grid, &TableFlexGrid::LeaveCell, &grid, [this] { add("Leave"); });
        QObject::connect(&grid, &TableFlexGrid::RowColChange, &grid, [this] { add("Change"); });
        QObject::connect(&grid, &TableFlexGrid::Click, &grid, [this] { add("Click"); });
    }
    void add(const char *event) { events << QStringLiteral("%1 %2,%3").arg(event).arg(grid.Row()).arg(grid.Col()); }
    QStringList take() { return std::exchange(events, {}); }

    TableFlexGrid &grid;
    QStringList events;
};

} // namespace

class tst_TableFlexGrid : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void eventsInOrder();
    void clickWaitsForAYieldingRowColChange();
    void removeItem();
    void formatString();

private:
    TableFlexGrid *m_grid = nullptr;
};

void tst_TableFlexGrid::init()
{
    m_grid = new TableFlexGrid;
    m_grid->resize(600, 300);
    m_grid->AddItem(QString());
    m_grid->AddItem(QStringLiteral("3"));
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid));
}

void tst_TableFlexGrid::cleanup()
{
    delete m_grid;
}

void tst_TableFlexGrid::eventsInOrder()
{
    EventLog log(*m_grid);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 2, 3));
    QCOMPARE(log.take(), QStringList({"Leave 1,0", "Change 2,3", "Click 2,3"}));
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cellCentre(*m_grid, 2, 3));
    QCOMPARE(log.take(), QStringList({"Click 2,3"}));
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(log.take(), QStringList({"Leave 2,3", "Change 3,3"}));
    m_grid->moveTo(1, 5);
    QCOMPARE(log.take(), QStringList({"Leave 3,3", "Change 1,5"}));
    m_grid->setRow(1);
    QCOMPARE(log.take(), QStringList());

    // The header row never becomes current, by mouse, key or code.
    const QHeaderView *header = m_grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(2) + 5, 5));
    QTest::keyClick(m_grid, Qt::Key_Up);
    QCOMPARE(log.take(), QStringList());
    QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(0, 0));
    QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(4, 0));
    QCOMPARE(QPoint(m_grid->Col(), m_grid->Row()), QPoint(5, 1));
}

void tst_TableFlexGrid::clickWaitsForAYieldingRowColChange()
{
    // The release of a click queued behind its press is handled during the RowColChange handler's
    // yield; the Click still comes after that handler.
    EventLog log(*m_grid);
    connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [&] {
        QCoreApplication::processEvents();
        log.add("Yielded");
    });
    const QPoint at = cellCentre(*m_grid, 3, 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(m_grid->viewport(), new QMouseEvent(type, at, m_grid->viewport()->mapToGlobal(at),
            Qt::LeftButton, type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
    }
    QCoreApplication::processEvents();
    QCOMPARE(log.take(), QStringList({"Leave 1,0", "Change 3,2", "Yielded 3,2", "Click 3,2"}));
}

void tst_TableFlexGrid::removeItem()
{
    for (int i = 1; i < 4; ++i)
        m_grid->setTextMatrix(i, 0, QString::number(i));
    QVERIFY_THROWS_EXCEPTION(GridError, m_grid->RemoveItem(0));
    QVERIFY_THROWS_EXCEPTION(GridError, m_grid->RemoveItem(4));

    // A line above the current one: the same line stays current, with no events.
    EventLog log(*m_grid);
    m_grid->moveTo(3, 1);
    log.take();
    m_grid->RemoveItem(1);
    QCOMPARE(log.take(), QStringList());
    QCOMPARE(m_grid->Row(), 2);
    QCOMPARE(m_grid->TextMatrix(m_grid->Row(), 0), QStringLiteral("3"));

    // The current line: Leave names it while it still exists, Change names the line moved into view.
    m_grid->RemoveItem(2);
    QCOMPARE(log.take(), QStringList({"Leave 2,1", "Change 1,1"}));
    QCOMPARE(m_grid->TextMatrix(1, 0), QStringLiteral("2"));
    QCOMPARE(m_grid->currentRow(), 0);
    QVERIFY_THROWS_EXCEPTION(GridError, m_grid->RemoveItem(1));
    QCOMPARE(m_grid->Rows(), 2);
}

void tst_TableFlexGrid::formatString()
{
    m_grid->setTextMatrix(1, 1, QStringLiteral("x"));
    m_grid->setFormatString(QStringLiteral("^№ |  Наименование  |^Ед."));
    QCOMPARE(m_grid->Cols(), 3);
    QCOMPARE(m_grid->TextMatrix(0, 0), QStringLiteral("№ "));
    QCOMPARE(m_grid->TextMatrix(0, 1), QStringLiteral("  Наименование  "));
    QVERIFY(m_grid->columnWidth(1) > m_grid->columnWidth(2));
    QCOMPARE(m_grid->item(0, 1)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
    m_grid->setTextMatrix(1, 2, QStringLiteral("шт"));
    QCOMPARE(m_grid->item(0, 2)->textAlignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));

    // The header row is 400 twips to the nearest pixel, and the lines start right below it.
    m_grid->setRowHeight(0, 400);
    QVERIFY(qAbs(m_grid->RowHeight(0) - 400) < 15);
    QCOMPARE(m_grid->viewport()->y() - m_grid->horizontalHeader()->y(), m_grid->horizontalHeader()->height());
}

QTEST_MAIN(tst_TableFlexGrid)
#include "tst_tableflexgrid.moc"
