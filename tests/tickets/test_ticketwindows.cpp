#include "../entry/EntryFixture.h"
#include "GridDriver.h"
#include "data/Database.h"
#include "tickets/BundleTickets.h"
#include "tickets/TicketPrint.h"

#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace kv;

namespace {
// Runs one of the test's tools; its standard output.
QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

// Every page of the one PDF in `dir` as an image, as a scanner sees the paper: the barcodes each
// page reads as.
QList<QStringList> decodedPages(const QString& dir)
{
    const QStringList files = QDir(dir).entryList({"*.pdf"});
    if (files.size() != 1)
        return {};
    run("pdftoppm", {"-r", "200", "-gray", "-png", QDir(dir).filePath(files.first()), QDir(dir).filePath("page")});
    QList<QStringList> pages;
    for (const QString& page : QDir(dir).entryList({"page*.png"}, QDir::Files, QDir::Name)) {
        QStringList read;
        for (const QByteArray& line : run("zbarimg", {"--raw", "-q", QDir(dir).filePath(page)}).split('\n'))
            if (!line.trimmed().isEmpty())
                read << QString::fromLatin1(line.trimmed());
        pages << read;
    }
    return pages;
}

void seedProducts(Database& db)
{
    db.exec(QStringLiteral("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES "
                           "('C1', '上领', '件', 0.35), ('C2', '锁边缝合前后片', '件', 0.125)"));
}
} // namespace

class TestTicketWindows : public QObject {
    Q_OBJECT
private slots:
    void everyPrintedBarcodeReadsAsItsTicketNumber()
    {
        TestApp app;
        seedProducts(app.db());
        BundleTickets store(app.db());
        // 13 bundles of two operations: two full pages and two tickets on the third.
        const qint64 id = store.createWorkOrder(
            {"S-2026-118", "男士衬衫", QDate(2008, 5, 2), {"C1", "C2"}, quickFillBundles(250, 20)});
        const QList<BundleTicket> tickets = store.ticketsOf(id);
        QCOMPARE(tickets.size(), 26);

        QTemporaryDir pdfs;
        app.ctx().printToPdfDir = pdfs.path();
        QVERIFY(printTickets(app.ctx(), nullptr, "S-2026-118", tickets));
        const QList<QStringList> pages = decodedPages(pdfs.path());
        QCOMPARE(pages.size(), 3);
        QStringList read;
        for (const QStringList& page : pages)
            read << page;
        QStringList printed;
        for (const BundleTicket& t : tickets)
            printed << t.number;
        read.sort();
        printed.sort();
        QCOMPARE(read, printed);

        // On a label printer's paper: one ticket to each 60 × 40 mm label, in order.
        QTemporaryDir labels;
        app.ctx().printToPdfDir = labels.path();
        QVERIFY(printTickets(app.ctx(), nullptr, "S-2026-118", tickets.mid(0, 3), TicketPaper::Label60x40));
        QCOMPARE(decodedPages(labels.path()),
                 (QList<QStringList>{{tickets.at(0).number}, {tickets.at(1).number}, {tickets.at(2).number}}));
        const QString info =
            QString::fromLatin1(run("pdfinfo", {QDir(labels.path()).filePath(QDir(labels.path()).entryList({"*.pdf"}).value(0))}));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size: +170(\\.\\d+)? x 113(\\.\\d+)? pts"))), qPrintable(info));
    }

    void scanningAddsTheTicketsLineAndTheSaveClaimsIt()
    {
        EntryFixture f;
        seedProducts(f.app.db());
        BundleTickets store(f.app.db());
        const QList<BundleTicket> tickets =
            store.ticketsOf(store.createWorkOrder({"S1", "", QDate(2008, 5, 2), {"C1", "C2"}, {20, 8}}));
        // The price in force when scanned, not the one the order was made with.
        f.app.db().exec(QStringLiteral("UPDATE 产品工价 SET 工价 = 0.4 WHERE 产品编号 = 'C1'"));
        f.gui->type("Text2", "001");
        QVERIFY(f.entryEnabled());
        const auto scan = [&](const QString& number) {
            f.gui->type("txtScan", number);
            f.gui->key("txtScan", Qt::Key_Return);
        };
        scan(tickets.at(0).number); // bundle 1, 上领
        scan(tickets.at(3).number); // bundle 2, 锁边
        ui::DataGrid* fg = f.grid("fg");
        QCOMPARE(fg->text(1, PDate), QStringLiteral("2008-5-17"));
        QCOMPARE(fg->text(1, PProduct), QStringLiteral("上领"));
        QCOMPARE(fg->text(1, PUnit), QStringLiteral("件"));
        QCOMPARE(fg->text(1, PQuantity), QStringLiteral("20"));
        QCOMPARE(fg->text(1, PAmount), QStringLiteral("8"));
        QCOMPARE(fg->text(2, PQuantity), QStringLiteral("8"));
        QCOMPARE(fg->text(2, PProductNo), QStringLiteral("C2"));
        QCOMPARE(f.text("Text3"), QStringLiteral("9.00"));
        QCOMPARE(f.text("txtScan"), QString());

        // The same ticket again, a mistyped one: refused into the list beside the grid, nothing
        // added, no message box.
        scan(tickets.at(0).number);
        QString typo = tickets.at(1).number;
        typo[9] = typo.at(9) == u'1' ? u'2' : u'1';
        scan(typo);
        QCOMPARE(fg->text(3, PProduct), QString());
        const auto refused = f.gui->find<QListWidget>("lstRefused");
        QCOMPARE(refused->count(), 2);
        QVERIFY(refused->item(0)->text().contains(typo));
        QVERIFY(refused->item(0)->text().contains("校验位"));
        QVERIFY(refused->item(1)->text().contains("已在本月的生产记录中"));
        QCOMPARE(f.gui->find<QLabel>("LabelScanCount")->text(), QStringLiteral("今日扫描 2 张，退回 2 张"));

        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(store.ticket(tickets.at(0).number).claimedBy, QStringLiteral("001"));
        QCOMPARE(store.ticket(tickets.at(3).number).claimedMonth, QStringLiteral("2008-5"));
        QVERIFY(!store.ticket(tickets.at(1).number).isClaimed());

        // Another employee scanning a claimed ticket is told who has it.
        f.gui->find<QLineEdit>("Text2")->clear();
        f.gui->type("Text2", "002");
        scan(tickets.at(3).number);
        QCOMPARE(fg->text(1, PProduct), QString());
        QVERIFY(refused->item(0)->text().contains("该菲票已由 张三（001）于 "));
        KV_VERIFY_BOXES(f.boxes);
    }

    // A scanned line's product, unit and quantity are its ticket's: typing and the look-up leave
    // them; date and remark may change. Deleting the line gives the ticket back at the save, and
    // the ticket column shows only while a line names a ticket.
    void aScannedLineKeepsWhatItsTicketSays()
    {
        EntryFixture f;
        seedProducts(f.app.db());
        BundleTickets store(f.app.db());
        const QList<BundleTicket> tickets =
            store.ticketsOf(store.createWorkOrder({"S1", "", QDate(2008, 5, 2), {"C1"}, {20, 8}}));
        f.gui->type("Text2", "001");
        ui::DataGrid* fg = f.grid("fg");
        QVERIFY(fg->isColHidden(PTicket));
        f.gui->type("txtScan", tickets.at(0).number);
        f.gui->key("txtScan", Qt::Key_Return);
        QCOMPARE(fg->text(1, PTicket), tickets.at(0).number);
        QVERIFY(!fg->isColHidden(PTicket));
        QVERIFY(fg->table()->viewport()->rect().contains(
            fg->table()->viewport()->mapFrom(fg, fg->cellRect(1, PTicket).bottomRight())));

        for (const int col : {int(PQuantity), int(PProduct)}) {
            QVERIFY(fg->setCurrentCell(1, col));
            QVERIFY(!fg->editCell());
            QTest::keyClicks(fg->table(), QStringLiteral("200"));
            QVERIFY(!fg->isEditing());
        }
        QCOMPARE(fg->text(1, PQuantity), QStringLiteral("20"));
        QCOMPARE(fg->text(1, PProduct), QStringLiteral("上领"));
        QVERIFY(fg->setCurrentCell(1, PRemark));
        QVERIFY(fg->isEditing());
        grid_driver::typeInEditor(*fg, QStringLiteral("夜班"));
        fg->finishEdit(true);
        QCOMPARE(fg->text(1, PRemark), QStringLiteral("夜班"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(store.ticket(tickets.at(0).number).claimedBy, QStringLiteral("001"));

        // Deleted and saved: the ticket is open, and scanned again it comes back whole.
        QVERIFY(fg->setCurrentCell(1, PDate));
        QTest::keyClick(fg->table(), Qt::Key_Delete);
        QVERIFY(fg->isColHidden(PTicket));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QVERIFY(!store.ticket(tickets.at(0).number).isClaimed());
        f.gui->type("txtScan", tickets.at(0).number);
        f.gui->key("txtScan", Qt::Key_Return);
        QCOMPARE(fg->text(1, PQuantity), QStringLiteral("20"));
        KV_VERIFY_BOXES(f.boxes);
    }

    // A scanner's burst, typed as key events queued faster than they are handled: every ticket
    // is taken or listed as refused, none is lost behind a refusal and no box stops the burst.
    void aBurstOfScansIsTakenWholeWithTheRefusalsListed()
    {
        EntryFixture f;
        seedProducts(f.app.db());
        BundleTickets store(f.app.db());
        const QList<BundleTicket> tickets = store.ticketsOf(
            store.createWorkOrder({"S1", "", QDate(2008, 5, 2), {"C1", "C2"}, quickFillBundles(500, 20)}));
        QCOMPARE(tickets.size(), 50);
        MonthRecords(f.app.db())
            .saveMonth(readMonthSheet(
                {"2008-5",
                 "002",
                 "张四",
                 {BundleTickets(f.app.db()).scannedLine(tickets.at(47).number, "002", "2008-5", QDate(2008, 5, 2), {}),
                  BundleTickets(f.app.db()).scannedLine(tickets.at(48).number, "002", "2008-5", QDate(2008, 5, 2), {}),
                  BundleTickets(f.app.db()).scannedLine(tickets.at(49).number, "002", "2008-5", QDate(2008, 5, 2), {})},
                 {}}));
        f.gui->type("Text2", "001");
        f.gui->find<QDateEdit>("dtScanDay")->setDate(QDate(2008, 5, 3));

        QStringList burst;
        for (int i = 0; i < 45; ++i)
            burst << tickets.at(i).number;
        QString typo = tickets.at(45).number;
        typo[5] = typo.at(5) == u'3' ? u'4' : u'3';
        // Refused: held by 张四 (three), mistyped, scanned twice.
        burst.insert(3, tickets.at(47).number);
        burst.insert(10, typo);
        burst.insert(20, tickets.at(48).number);
        burst.insert(30, tickets.at(5).number);
        burst.insert(49, tickets.at(49).number);
        QCOMPARE(burst.size(), 50);
        QLineEdit* box = f.gui->find<QLineEdit>("txtScan");
        box->setFocus();
        for (const QString& number : std::as_const(burst)) {
            for (const QChar digit : number) {
                const auto key = Qt::Key(Qt::Key_0 + digit.digitValue());
                QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(digit)));
                QCoreApplication::postEvent(box,
                                            new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(digit)));
            }
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r"));
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r"));
        }
        const auto refused = f.gui->find<QListWidget>("lstRefused");
        QTRY_COMPARE(refused->count(), 5);
        ui::DataGrid* fg = f.grid("fg");
        QCOMPARE(fg->text(45, PTicket), tickets.at(44).number);
        QCOMPARE(fg->text(46, PTicket), QString());
        QCOMPARE(fg->text(45, PDate), QStringLiteral("2008-5-3"));
        QCOMPARE(box->text(), QString());
        QVERIFY(fg->topRow() <= 45 && fg->bottomRow() >= 45); // the newest line in view
        QCOMPARE(f.gui->find<QLabel>("LabelScanCount")->text(), QStringLiteral("今日扫描 45 张，退回 5 张"));
        QVERIFY(refused->item(0)->text().contains("该菲票已由 张四（002）"));
        QVERIFY(refused->item(1)->text().contains("已在本月的生产记录中"));
        QVERIFY(refused->item(3)->text().contains("校验位"));
        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        QCOMPARE(f.app.db().scalar("SELECT count(*) FROM 工资流水 WHERE 工号 = '001'").toInt(), 45);
        KV_VERIFY_BOXES(f.boxes);
    }
};

QTEST_MAIN(TestTicketWindows)
#include "test_ticketwindows.moc"
