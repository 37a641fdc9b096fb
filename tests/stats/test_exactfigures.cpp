#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "Workbook.h"
#include "entry/MonthRecords.h"
#include "entry/WageEntryWindow.h"
#include "stats/StatsChartWindow.h"
#include "stats/WageStatisticsWindow.h"
#include "ui/DataGrid.h"

#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QDir>
#include <QHorizontalBarSeries>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>

using namespace kv;

namespace {
// What an employee is owed in the month, in millionths of a yuan, worked out with whole numbers:
// a quantity in hundredths times a price in ten-thousandths is an amount in millionths.
struct Owed {
    QString number;
    QString name;
    QString workshop;
    qint64 production = 0;
    qint64 deductions = 0;
    bool hasLines = false;
    qint64 netPay() const { return production - deductions; }
};

QString decimalText(qint64 units, int places)
{
    qint64 scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    const QString digits = QString::number(units < 0 ? -units : units).rightJustified(places + 1, u'0');
    return (units < 0 ? QStringLiteral("-") : QString()) + digits.left(digits.size() - places) + u'.' +
           digits.right(places);
}

// A shown or exported figure read back: money text ("-1,234.567") or a plain number, exactly.
qint64 unitsOf(const QString& shown)
{
    static const QRegularExpression money(QStringLiteral("^-?\\d{1,3}(,\\d{3})*\\.\\d{2,6}$"));
    if (shown.contains(u',') && !money.match(shown).hasMatch())
        return std::numeric_limits<qint64>::min();
    const std::optional<Decimal> value = Decimal::parse(QString(shown).remove(u','));
    return value ? value->units() : std::numeric_limits<qint64>::min();
}

// An exported number as a spreadsheet reads it: a double, shown to 15 significant digits (the
// file holds 16 or 17, so that the double is the nearest to the exact figure).
qint64 exportedUnits(const QString& cell)
{
    bool ok = false;
    const double value = cell.toDouble(&ok);
    return ok ? Decimal::fromStoredDouble(value).units() : std::numeric_limits<qint64>::min();
}

QString money(qint64 units)
{
    return Decimal::fromUnits(units).moneyText();
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Ten employees (two named 张三) in two workshops; seven have random lines in May 2008, saved as
// the entry grid hands them over.
QList<Owed> saveRandomMonth(Database& db, QRandomGenerator& rng)
{
    QList<Owed> owed;
    MonthRecords records(db);
    for (int e = 0; e < 10; ++e) {
        Owed o{QStringLiteral("%1").arg(e + 1, 3, 10, QChar(u'0')),
               e == 4 ? QStringLiteral("张三") : QStringLiteral("员工%1").arg(e),
               e % 2 ? QStringLiteral("一车间") : QStringLiteral("二车间")};
        if (e == 0)
            o.name = QStringLiteral("张三");
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间) VALUES (?, ?, ?)"), {o.number, o.name, o.workshop});
        MonthTexts sheet{QStringLiteral("2008-5"), o.number, o.name, {}, {}};
        if (e % 4 != 3) {
            for (int i = int(rng.bounded(1, 9)); i > 0; --i) {
                const qint64 quantity = rng.bounded(1, 1'000'000); // up to 9,999.99
                const qint64 price = rng.bounded(1, 1'000'000);    // up to 99.9999
                o.production += quantity * price;
                const QString day = QStringLiteral("2008-5-%1").arg(rng.bounded(1, 32));
                sheet.production.append({day, QStringLiteral("外壳"), QStringLiteral("个"), decimalText(quantity, 2),
                                         QString(), QStringLiteral("备注"), decimalText(price, 4), QString()});
            }
            for (int i = int(rng.bounded(0, 4)); i > 0; --i) {
                const qint64 cents = rng.bounded(1, 5'000'000) * (rng.bounded(3) ? 1 : 10); // up to 50,000 or 500,000
                o.deductions += cents * 10'000;
                sheet.deductions.append({QStringLiteral("2008-5-%1").arg(rng.bounded(1, 32)), QStringLiteral("罚款"),
                                         decimalText(cents, 2)});
            }
            o.hasLines = true;
        }
        records.saveMonth(readMonthSheet(sheet));
        owed.append(o);
    }
    return owed;
}
} // namespace

class TestExactFigures : public QObject {
    Q_OBJECT
private slots:
    // Random months of decimal quantities and prices: every figure stored, shown, printed and
    // exported is the exact one the model works out with whole numbers.
    void everyFigureIsTheExactOne()
    {
        for (quint32 seed : {24u, 2008u}) {
            TestApp app;
            QRandomGenerator rng(seed);
            const QList<Owed> owed = saveRandomMonth(app.db(), rng);
            qint64 production = 0;
            qint64 deductions = 0;
            for (const Owed& o : owed) {
                production += o.production;
                deductions += o.deductions;
            }

            // Stored: the lines and the month's summary.
            MonthRecords records(app.db());
            for (const Owed& o : owed) {
                qint64 lines = 0;
                for (const LineTexts& line : records.loadProduction(o.number, {2008, 5}))
                    lines += unitsOf(line.at(PAmount));
                QCOMPARE(lines, o.production);
                const QVariant net = app.db().scalar(
                    QStringLiteral("SELECT 实发工资 FROM 员工工资 WHERE 工号 = ? AND 月份 = '2008-5'"), {o.number});
                QCOMPARE(Decimal::fromStoredDouble(net.toDouble()).units(), o.netPay());
            }

            // Shown: every row of the statistics grid and its totals row.
            ScriptedBoxes boxes;
            QTemporaryDir pdfs;
            app.ctx().printToPdfDir = pdfs.path();
            WageStatisticsWindow stats(app.ctx());
            stats.show();
            GuiDriver gui(&stats);
            gui.click("Command5");
            ui::DataGrid& grid = *stats.grid();
            QCOMPARE(grid.rows(), int(owed.size()) + 2);
            QCOMPARE(grid.shownText(1, SProduction), money(production));
            QCOMPARE(grid.shownText(1, SDeductions), money(deductions));
            QCOMPARE(grid.shownText(1, SNetPay), money(production - deductions));
            for (int i = 0; i < owed.size(); ++i) {
                const Owed& o = owed.at(i);
                QCOMPARE(grid.text(i + 2, SNumber), o.number);
                QCOMPARE(unitsOf(grid.shownText(i + 2, SProduction)), o.production);
                QCOMPARE(unitsOf(grid.shownText(i + 2, SDeductions)), o.deductions);
                QCOMPARE(grid.shownText(i + 2, SNetPay), money(o.netPay()));
            }

            // Printed and exported as shown.
            gui.click("打印");
            const QString printed = pdfText(QDir(pdfs.path()).filePath(QStringLiteral("工资统计.pdf")));
            for (const Owed& o : owed)
                QVERIFY2(printed.contains(money(o.netPay())), qPrintable(money(o.netPay())));
            QVERIFY(printed.contains(money(production - deductions)));
            boxes.expect("己导出");
            gui.click("导出");
            const auto sheet =
                readWorkbookCells(app.ctx().paths().file(QStringLiteral("按月份统计2008-5员工工资.xlsx")));
            QCOMPARE(sheet.size(), int(owed.size()) + 2);
            QCOMPARE(exportedUnits(sheet.at(1).value(SNetPay).text), production - deductions);
            QVERIFY(sheet.at(1).value(SNetPay).number);
            for (int i = 0; i < owed.size(); ++i) {
                const auto& row = sheet.at(i + 2);
                QVERIFY(row.value(SProduction).number && !row.value(SNumber).number);
                QCOMPARE(row.value(SProduction).format, QStringLiteral("#,##0.00####"));
                QCOMPARE(exportedUnits(row.value(SProduction).text), owed.at(i).production);
                QCOMPARE(exportedUnits(row.value(SDeductions).text), owed.at(i).deductions);
                QCOMPARE(exportedUnits(row.value(SNetPay).text), owed.at(i).netPay());
            }

            // The slips, printed and exported: only the employees with lines.
            gui.click("打印全部工资条");
            const QString slips = pdfText(QDir(pdfs.path()).filePath(QStringLiteral("2008-5 工资条.pdf")));
            boxes.expect("己导出");
            gui.click("导出工资条");
            const auto slipSheet = readWorkbookCells(app.ctx().paths().file(QStringLiteral("2008-5工资条.xlsx")));
            QList<QString> exportedNumbers;
            for (const auto& row : slipSheet)
                if (row.value(7).number)
                    exportedNumbers << row.value(1).text;
            QStringList withLines;
            for (const Owed& o : owed) {
                if (!o.hasLines) {
                    QVERIFY(!slips.contains(o.name));
                    continue;
                }
                withLines << o.number;
                QVERIFY2(slips.contains(QStringLiteral("实发工资：") + money(o.netPay())), qPrintable(o.number));
                for (const auto& row : slipSheet) {
                    if (row.value(1).text != o.number || !row.value(7).number)
                        continue;
                    QCOMPARE(exportedUnits(row.value(5).text), o.production);
                    QCOMPARE(exportedUnits(row.value(6).text), o.deductions);
                    QCOMPARE(exportedUnits(row.value(7).text), o.netPay());
                }
            }
            QCOMPARE(exportedNumbers, withLines);
            // Asked for, the employees without lines get their slips too.
            gui.find<QCheckBox>("slipsWithoutLines")->setChecked(true);
            gui.click("打印全部工资条");
            const QString everyone = pdfText(QDir(pdfs.path()).filePath(QStringLiteral("2008-5 工资条.pdf")));
            for (const Owed& o : owed)
                QVERIFY2(everyone.contains(o.name), qPrintable(o.name));

            // The chart's bars are the production of the rows.
            gui.click("图表");
            auto* charts = stats.findChild<StatsChartWindow*>();
            QVERIFY(charts);
            QBarSet* bars = static_cast<QHorizontalBarSeries*>(charts->chart(2)->series().first())->barSets().first();
            QList<double> drawn;
            for (int i = 0; i < bars->count(); ++i)
                drawn << bars->at(i);
            QList<double> produced;
            for (const Owed& o : owed)
                if (o.production > 0)
                    produced << Decimal::fromUnits(o.production).toDouble();
            std::sort(drawn.begin(), drawn.end());
            std::sort(produced.begin(), produced.end());
            QCOMPARE(drawn, produced);
            charts->close();

            // The entry window's boxes for one employee with lines and a negative month.
            for (const Owed& o : owed) {
                if (!o.hasLines)
                    continue;
                WageEntryWindow entry(app.ctx());
                entry.show();
                GuiDriver eg(&entry);
                eg.type("Text2", o.number);
                QCOMPARE(eg.find<QLineEdit>("Text3")->text(), money(o.production));
                QCOMPARE(eg.find<QLineEdit>("Text4")->text(), money(o.deductions));
                QCOMPARE(eg.find<QLineEdit>("Text5")->text(), money(o.netPay()));
                break;
            }
            KV_VERIFY_BOXES(boxes);
        }
    }
};

QTEST_MAIN(TestExactFigures)
#include "test_exactfigures.moc"
