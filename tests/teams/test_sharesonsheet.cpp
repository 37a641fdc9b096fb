#include "../entry/EntryFixture.h"
#include "data/Database.h"
#include "teams/TeamMonths.h"
#include "teams/Teams.h"

#include <QPushButton>

using namespace kv;
using kv::testing::money;

class TestSharesOnSheet : public QObject {
    Q_OBJECT
private slots:
    // A member's share shows on his own sheet among his lines and in his total, but cannot be
    // edited or deleted there; a save of his sheet keeps it once.
    void aShareIsShownButNotChangedOnTheMembersSheet()
    {
        EntryFixture f;
        Database& db = f.app.db();
        f.store("002", "2008-5", {productionLine("2008-5-3", "外壳", "10", "15")});
        const qint64 team =
            Teams(db).save({0, QStringLiteral("B01"), QStringLiteral("压烫组"), {}, SplitRule::Days, {}});
        TeamMonthSheet s;
        s.teamId = team;
        s.monthText = QStringLiteral("2008-5");
        s.rule = SplitRule::Days;
        s.lines = {{QDate(2008, 5, 6), {}, QStringLiteral("压烫"), QStringLiteral("件"), money("100"), money("1")}};
        s.members = {{"001", {}, money("1"), {}, {}}, {"002", {}, money("2"), {}, {}}};
        TeamMonths(db).save(s);

        f.gui->type("Text2", "002");
        auto* fg = f.grid("fg");
        QCOMPARE(fg->text(2, PSource), QStringLiteral("集体"));
        QCOMPARE(fg->text(2, PAmount), QStringLiteral("66.67"));
        QCOMPARE(f.text("Text3"), QStringLiteral("81.67"));

        fg->setFocus();
        QVERIFY(fg->setCurrentCell(2, PQuantity));
        QVERIFY(!fg->editCell());
        QVERIFY(fg->setCurrentCell(2, PProduct));
        QVERIFY(!fg->editCell());

        f.boxes.expect(QStringLiteral("只能在“集体计件”或“计时工资”窗口修改"));
        f.gui->click("DelButton_1");
        KV_VERIFY_BOXES(f.boxes);
        QCOMPARE(fg->text(2, PAmount), QStringLiteral("66.67"));

        // Saved as it stands: the share stays one line, the month's total as before.
        f.boxes.expect(QStringLiteral("保存成功"));
        f.gui->click("Command1");
        Statement st = db.prepare(
            QStringLiteral("SELECT count(*), decimal_sum(金额) FROM 工资流水 WHERE 工号 = '002' AND 来源 = '集体'"));
        QVERIFY(st.next());
        QCOMPARE(st.integer(0), 1);
        QCOMPARE(st.decimal(1), money("66.67"));
        Statement total = db.prepare(QStringLiteral("SELECT 生产金额 FROM 月度合计 WHERE 工号 = '002'"));
        QVERIFY(total.next());
        QCOMPARE(total.decimal(0), money("81.67"));
        KV_VERIFY_BOXES(f.boxes);
    }
};

QTEST_MAIN(TestSharesOnSheet)
#include "test_sharesonsheet.moc"
