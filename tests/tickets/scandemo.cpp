// A wage entry window over a database with a work order of 210 bundle tickets, for scanning on a
// real screen: it writes the ticket numbers to scan (200, ten of them refused: five held by
// another employee, three mistyped, two scanned twice) into NUMBERS_FILE, waits for them to be
// typed into the 扫描 box (a scanner or xdotool), then prints the lines and refusals it has,
// saves the month, prints how long the save took, grabs the window into PNG_FILE and ends.
// Not installed, not a test.
//   kelvaro_scandemo NUMBERS_FILE PNG_FILE [SECONDS_TO_WAIT]
#include "TestDb.h"
#include "entry/MonthRecords.h"
#include "entry/WageEntryWindow.h"
#include "tickets/BundleTickets.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

using namespace kv;

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    if (argc < 3)
        return 2;
    TestApp app(QDate::currentDate());
    Database& db = app.db();
    db.exec("INSERT INTO 员工 (工号, 姓名) VALUES ('001', '张三'), ('002', '李四')");
    db.exec("INSERT INTO 产品工价 (产品编号, 产品说明, 计量单位, 工价) VALUES ('S01', '上袖', '件', 0.35), "
            "('S02', '锁边', '件', 0.125), ('S03', '钉扣', '件', 0.2)");
    BundleTickets tickets(db);
    const QList<BundleTicket> all = tickets.ticketsOf(tickets.createWorkOrder(
        {"D-1", "衬衫", QDate::currentDate(), {"S01", "S02", "S03"}, quickFillBundles(1400, 20)}));
    const QString month = monthText(QDate::currentDate().year(), QDate::currentDate().month());
    QList<LineTexts> held;
    for (int i = 200; i < 205; ++i)
        held << tickets.scannedLine(all.at(i).number, "002", month, QDate::currentDate(), {});
    MonthRecords(db).saveMonth(readMonthSheet({month, "002", "李四", held, {}}));

    QStringList numbers;
    for (int i = 0; i < 190; ++i)
        numbers << all.at(i).number;
    for (int i = 0; i < 5; ++i)
        numbers.insert(10 + 37 * i, all.at(200 + i).number); // held by 李四
    for (int i = 0; i < 3; ++i) {
        QString typo = all.at(190 + i).number;
        typo[7] = typo.at(7) == u'5' ? u'6' : u'5';
        numbers.insert(25 + 50 * i, typo);
    }
    numbers.insert(60, all.at(3).number); // twice
    numbers.insert(150, all.at(99).number);
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    out.write(numbers.join(u'\n').toUtf8() + '\n');
    out.close();

    ui::setResponder([](const ui::BoxRequest& box) {
        QTextStream(stdout) << "message box: " << box.text << Qt::endl;
        return ui::Answer::Ok;
    });
    WageEntryWindow window(app.ctx()); // it opens a connection of its own: `db` is not used after this
    window.resize(window.minimumSize());
    window.show();
    window.activateWindow();
    window.findChild<QLineEdit*>("Text2")->setText("001");
    window.findChild<QLineEdit*>("txtScan")->setFocus();

    const int wait = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 30;
    QTimer::singleShot(wait * 1000, &qapp, [&] {
        auto* fg = window.findChild<ui::DataGrid*>("fg");
        int lines = 0;
        for (int r = 1; r < fg->rows(); ++r)
            lines += fg->text(r, PTicket).isEmpty() ? 0 : 1;
        QTextStream(stdout) << "scanned " << numbers.size() << ", lines " << lines << ", refused "
                            << window.findChild<QListWidget*>("lstRefused")->count() << ", counter "
                            << window.findChild<QLabel*>("LabelScanCount")->text() << ", box '"
                            << window.findChild<QLineEdit*>("txtScan")->text() << "'" << Qt::endl;
        window.grab().save(QString::fromLocal8Bit(argv[2]));
        QElapsedTimer timer;
        timer.start();
        window.findChild<QPushButton*>("Command1")->click();
        QTextStream(stdout) << "saved in " << timer.elapsed() << " ms, claimed "
                            << app.db().scalar("SELECT count(*) FROM 菲票 WHERE 领取工号 = '001'").toInt() << Qt::endl;
        qapp.quit();
    });
    return qapp.exec();
}
