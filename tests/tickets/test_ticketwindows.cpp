#include "../entry/EntryFixture.h"
#include "data/Database.h"
#include "tickets/BundleTickets.h"
#include "tickets/TicketPrint.h"

#include <QDir>
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

        // The same ticket again, a mistyped one: refused, nothing added.
        f.boxes.expect("已在本月的生产记录中");
        scan(tickets.at(0).number);
        QString typo = tickets.at(1).number;
        typo[9] = typo.at(9) == u'1' ? u'2' : u'1';
        f.boxes.expect("校验位");
        scan(typo);
        QCOMPARE(fg->text(3, PProduct), QString());

        f.boxes.expect("保存成功！");
        f.gui->click("Command1");
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(store.ticket(tickets.at(0).number).claimedBy, QStringLiteral("001"));
        QCOMPARE(store.ticket(tickets.at(3).number).claimedMonth, QStringLiteral("2008-5"));
        QVERIFY(!store.ticket(tickets.at(1).number).isClaimed());

        // Another employee scanning a claimed ticket is told who has it.
        f.gui->find<QLineEdit>("Text2")->clear();
        f.gui->type("Text2", "002");
        f.boxes.expect("该菲票已由 张三（001）于 ");
        scan(tickets.at(3).number);
        QCOMPARE(fg->text(1, PProduct), QString());
        KV_VERIFY_BOXES(f.boxes);
    }
};

QTEST_MAIN(TestTicketWindows)
#include "test_ticketwindows.moc"
