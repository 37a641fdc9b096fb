// Shows a list window inside the main window over a seeded database, with the find/filter
// panel open after a find, for looking at it on screen. Not a test and not installed.
//   master_listdemo 2|3|4 [keyword] [edit]   (edit: the second row's dialog opened too)
#include "GuiDriver.h"
#include "TestDb.h"
#include "app/HostedWindows.h"
#include "app/MainWindow.h"
#include "data/Database.h"
#include "master/PieceRates.h"
#include "master/RecordListWindow.h"
#include "ui/DataGrid.h"
#include "ui/FindPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

using namespace kv;

namespace {
void seed(Database& db)
{
    const char* employees[][7] = {
        {"001", "张三", "男", "一车间", "装配", "2006-03-01", ""},
        {"002", "李四", "女", "一车间", "包装", "2007-05-12", "夜班"},
        {"003", "王五", "男", "二车间", "冲压", "2005-11-20", ""},
        {"004", "赵六", "女", "二车间", "装配", "2008-01-07", "学徒"},
        {"005", "张小红", "女", "三车间", "检验", "2006-09-15", ""},
        {"006", "陈一车", "男", "一车间", "装配", "2007-02-28", ""},
    };
    for (const auto& e : employees)
        db.exec(QStringLiteral(
                    "INSERT INTO 员工 (工号,姓名,性别,身份证号,车间,工种,上岗时间,备注) VALUES (?,?,?,?,?,?,?,?)"),
                {QString::fromUtf8(e[0]), QString::fromUtf8(e[1]), QString::fromUtf8(e[2]),
                 QStringLiteral("3301021980010%1").arg(QString::fromUtf8(e[0])), QString::fromUtf8(e[3]),
                 QString::fromUtf8(e[4]), QString::fromUtf8(e[5]), QString::fromUtf8(e[6])});
    const char* products[][6] = {
        {"C001", "螺丝M6-10", "LSM6-10", "个", "0.05", ""},
        {"C002", "外壳", "WK", "件", "1.2", ""},
        {"C003", "大外壳", "DWK", "件", "2.5", "新款"},
        {"C004", "垫片", "DP", "盒", "12.5", ""},
        {"C005", "弹簧", "TH", "个", "0.3", ""},
        {"C006", "电机外壳", "DJWK", "件", "300", "外协"},
    };
    for (const auto& p : products)
        db.exec(
            QStringLiteral("INSERT INTO 产品工价 (产品编号,产品说明,拼音编码,计量单位,工价,备注) VALUES (?,?,?,?,?,?)"),
            {QString::fromUtf8(p[0]), QString::fromUtf8(p[1]), QString::fromUtf8(p[2]), QString::fromUtf8(p[3]),
             QString::fromUtf8(p[4]).toDouble(), QString::fromUtf8(p[5])});
    // Prices as an upgraded file has them, and a rate change of the second product.
    db.execScript(QStringLiteral("INSERT INTO 工价历史 (产品ID, 工价, 生效日期) SELECT id, 工价, '1900-01-01' FROM 产品工价"));
    PieceRates(db).addChange(2, QStringLiteral("1.35"), QDate(2008, 5, 15));
    const char* deductions[][5] = {
        {"K001", "迟到", "CD", "20", ""},
        {"K002", "罚款", "FK", "50", ""},
        {"K003", "旷工", "KG", "100", "每天"},
        {"K004", "住宿费", "ZSF", "80.5", ""},
    };
    for (const auto& d : deductions)
        db.exec(QStringLiteral(
                    "INSERT INTO 扣减项目 (扣减项目编号,扣减项目说明,拼音编码,扣减金额,备注) VALUES (?,?,?,?,?)"),
                {QString::fromUtf8(d[0]), QString::fromUtf8(d[1]), QString::fromUtf8(d[2]),
                 QString::fromUtf8(d[3]).toDouble(), QString::fromUtf8(d[4])});
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int tab = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;
    const QString keyword = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("外壳");
    const bool edit = argc > 3 && QString::fromLocal8Bit(argv[3]) == QStringLiteral("edit");

    TestApp testApp;
    seed(testApp.db());
    MainWindow main(testApp.ctx());
    main.resize(1200, 720);
    main.show();
    auto* tabs = main.findChild<QTabWidget*>(QStringLiteral("C1Tab1"));
    tabs->setCurrentIndex(tab);

    QTimer::singleShot(300, [&] {
        auto* window = qobject_cast<RecordListWindow*>(main.hostedWindow(hostedWindowNames().at(tab)));
        if (!window)
            return;
        GuiDriver gui(window);
        gui.click(QStringLiteral("查找"));
        gui.find<QLineEdit>(QStringLiteral("Text1"))->setText(keyword);
        gui.click(QStringLiteral("Command1"));
        gui.click(QStringLiteral("Command4"));
        gui.find<QComboBox>(QStringLiteral("zdinput_0"))->setCurrentIndex(0);
        window->panel()->move(window->width() - window->panel()->width() - 40, 80);
        if (edit) {
            window->grid()->setCurrentCell(2, 0);
            gui.click(QStringLiteral("修改"));
        }
    });
    return app.exec();
}
