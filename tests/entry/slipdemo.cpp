// Prints wage slips over a seeded database into a folder, for looking at the pages: a page of
// three short slips ("三人工资条.pdf") and a slip long enough for two pages ("长工资条.pdf").
// Not a test and not installed.
//   entry_slipdemo DIR [rounded]   (rounded: net pay rounded to 元)
#include "TestDb.h"
#include "data/Database.h"
#include "data/FactoryName.h"
#include "data/NetPayRounding.h"
#include "entry/WageSlip.h"
#include "entry/WageSlipPrint.h"

#include <QApplication>

using namespace kv;

namespace {
void seed(Database& db)
{
    setFactoryName(db, QStringLiteral("宏达服装厂"));
    const QStringList products{"外壳", "大外壳", "螺丝", "前片缝合", "锁边", "钉扣"};
    MonthRecords records(db);
    const struct {
        const char* no;
        const char* name;
        const char* workshop;
        int lines;
        int deductions;
    } people[] = {{"001", "张伟", "一车间", 4, 1},
                  {"002", "李芳", "一车间", 2, 0},
                  {"003", "王娜", "二车间", 5, 2},
                  {"004", "赵敏", "二车间", 50, 6}};
    for (const auto& p : people) {
        db.exec(QStringLiteral("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, ?, '车工')"),
                {QString::fromUtf8(p.no), QString::fromUtf8(p.name), QString::fromUtf8(p.workshop)});
        MonthTexts sheet{QStringLiteral("2008-5"), QString::fromUtf8(p.no), QString::fromUtf8(p.name), {}, {}};
        for (int i = 0; i < p.lines; ++i) {
            const int qty = 10 + (i * 37) % 90;
            const double price = 0.35 + 0.05 * (i % 7);
            sheet.production.append({QStringLiteral("2008-5-%1").arg(1 + i % 31), products.at(i % products.size()),
                                     QStringLiteral("件"), QString::number(qty), plainDecimal(qty * price), QString(),
                                     plainDecimal(price), QString()});
        }
        for (int i = 0; i < p.deductions; ++i)
            sheet.deductions.append(
                {QStringLiteral("2008-5-%1").arg(3 + i * 4), QStringLiteral("迟到"), QStringLiteral("20")});
        records.saveMonth(readMonthSheet(sheet));
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    TestApp test;
    seed(test.db());
    if (argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("rounded"))
        setNetPayRounding(test.db(), {NetPayRounding::Unit::Yuan, NetPayRounding::Mode::HalfUp});
    test.ctx().printToPdfDir = QString::fromLocal8Bit(argv[1]);
    WageSlips slips(test.db());
    QList<WageSlip> three;
    for (const char* no : {"001", "002", "003"})
        three.append(slips.slip(*EmployeeFinder(test.db()).byNumber(QString::fromUtf8(no)), {2008, 5}));
    const WageSlip longOne = slips.slip(*EmployeeFinder(test.db()).byNumber(QStringLiteral("004")), {2008, 5});
    const bool ok = printWageSlips(test.ctx(), nullptr, three, QStringLiteral("三人工资条")) &&
                    printWageSlips(test.ctx(), nullptr, {longOne}, QStringLiteral("长工资条"));
    return ok ? 0 : 1;
}
