#include "TestDb.h"
#include "data/Database.h"
#include "data/OperationLog.h"
#include "data/Schema.h"
#include "data/UniqueNumbers.h"
#include "entry/ClosedMonths.h"
#include "entry/MonthRecords.h"
#include "lists/CodeList.h"
#include "master/BankCards.h"
#include "master/MasterRecords.h"
#include "ui/CellFind.h"

#include <QTest>

#include <thread>

using namespace kv;

namespace {

QStringList employee(const char* number, const char* name, const char* workshop = "一车间", const char* job = "装配",
                     const char* date = "2008-5-17")
{
    return {QString::fromUtf8(number),   QString::fromUtf8(name), QStringLiteral("女"),    QString(),
            QString::fromUtf8(workshop), QString::fromUtf8(job),  QString::fromUtf8(date), QString()};
}

QStringList product(const char* number, const char* description, const char* unit, const char* price)
{
    return {QString::fromUtf8(number), QString::fromUtf8(description), QStringLiteral("X"),
            QString::fromUtf8(unit),   QString::fromUtf8(price),       QString()};
}

QStringList deduction(const char* number, const char* description)
{
    return {QString::fromUtf8(number), QString::fromUtf8(description), QStringLiteral("X"), QStringLiteral("5"),
            QString()};
}

// The values of a new record of the kind with the given number.
QStringList recordNumbered(MasterKind kind, const char* number)
{
    switch (kind) {
    case MasterKind::Product: return product(number, "螺丝", "个", "1");
    case MasterKind::Deduction: return deduction(number, "罚款");
    case MasterKind::Employee: break;
    }
    return employee(number, "张三");
}

// Saves and says how it ended: "" when saved, else the refusal's text.
QString saveResult(MasterRecords& records, qint64 id, const QStringList& values)
{
    try {
        records.save(id, values);
        return {};
    } catch (const Error& e) {
        return e.message();
    }
}

int count(Database& db, const QString& table, const QString& where = QStringLiteral("1=1"),
          const QVariantList& values = {})
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, where), values).toInt();
}

} // namespace

class TestMasterRecords : public QObject {
    Q_OBJECT
private slots:
    void listShowsEveryColumnAsTextWithIdLast()
    {
        TestApp app;
        MasterRecords products(app.db(), MasterKind::Product);
        RecordRows empty = products.list();
        QCOMPARE(empty.fields, QStringList({"产品编号", "产品说明", "拼音编码", "计量单位", "工价", "备注"}));
        QVERIFY(empty.rows.isEmpty());

        QVERIFY(products.save(0, product("C2", "垫片", "个", "300")));
        QVERIFY(products.save(0, product("C1", "螺丝", "盒", "12.50")));
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (产品编号) VALUES ('C3')")); // nulls elsewhere
        const RecordRows all = products.list();
        QCOMPARE(all.rows.size(), 3);
        QCOMPARE(all.rows.at(0), QStringList({"C2", "垫片", "X", "个", "300", "", "1"}));
        QCOMPARE(all.rows.at(1), QStringList({"C1", "螺丝", "X", "盒", "12.5", "", "2"}));
        QCOMPARE(all.rows.at(2), QStringList({"C3", "", "", "", "", "", "3"}));

        MasterRecords employees(app.db(), MasterKind::Employee);
        QVERIFY(employees.save(0, employee("001", "张三", "一车间", "装配", "2008-05-07")));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 上岗时间 FROM 员工")).toString(), QStringLiteral("2008-05-07"));
        QCOMPARE(employees.list().rows.at(0).at(6), QStringLiteral("2008-5-7"));
    }

    void filterIsAConjunctionOfExactEqualities()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        QVERIFY(employees.save(0, employee("001", "张三", "一车间", "装配", "2008-5-1")));
        QVERIFY(employees.save(0, employee("002", "张三丰", "一车间", "包装", "2008-5-2")));
        QVERIFY(employees.save(0, employee("003", "李四", "二车间", "装配", "2008-5-2")));

        const auto numbers = [&](const QList<FieldCondition>& conditions) {
            QStringList out;
            for (const QStringList& row : employees.list(conditions).rows)
                out << row.first();
            return out;
        };
        QCOMPARE(numbers({{"车间", "一车间"}}), QStringList({"001", "002"}));
        QCOMPARE(numbers({{"车间", "一车间"}, {"工种", "装配"}}), QStringList({"001"}));
        QCOMPARE(numbers({{"姓名", "张三"}}), QStringList({"001"})); // equality, not containment
        QCOMPARE(numbers({{"车间", "一车间"}, {"车间", "二车间"}}), QStringList());
        // Dates as the grid shows them, or in any accepted form.
        QCOMPARE(numbers({{"上岗时间", "2008-5-2"}}), QStringList({"002", "003"}));
        QCOMPARE(numbers({{"上岗时间", "2008/05/02"}}), QStringList({"002", "003"}));
        QCOMPARE(numbers({{"上岗时间", "五月"}}), QStringList());
        QVERIFY_THROWS_EXCEPTION(InputError, employees.list({{"id; DROP TABLE 员工", "1"}}));
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 3);

        // A price compares as the number it stands for.
        MasterRecords products(app.db(), MasterKind::Product);
        QVERIFY(products.save(0, product("C1", "螺丝", "个", "12.5")));
        QCOMPARE(products.list({{"工价", "12.50"}}).rows.size(), 1);
        QCOMPARE(products.list({{"工价", "abc"}}).rows.size(), 0);
    }

    void filterTakesRowsWithFieldAndValue()
    {
        const QList<FieldCondition> typed{{"车间", " 一车间\t"}, {"", "装配"}, {"工种", "包装"}, {"姓名", "  "}};
        QCOMPARE(filterConditions(typed), QList<FieldCondition>({{"车间", "一车间"}, {"工种", "包装"}}));
        QVERIFY(filterConditions({}).isEmpty());
    }

    // A card number is stored as its digits whatever blanks or full-width digits it was typed
    // with, given back whole to the dialog and masked to the list; a number the Luhn digit does
    // not confirm, of the wrong length or with other characters is refused and changes nothing.
    void bankCardsAreCheckedStoredWholeAndShownMasked()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        const int card = masterTable(MasterKind::Employee).columnIndex(QStringLiteral("银行卡号"));
        const int method = masterTable(MasterKind::Employee).columnIndex(QStringLiteral("发放方式"));
        QStringList values = employee("001", "张三");
        values << QStringLiteral("工商银行") << QStringLiteral(" 6222 0212 3456 ７８９０ 128 ")
               << QStringLiteral("银行");
        QVERIFY(!employees.firstProblem(values));
        QVERIFY(employees.save(0, values));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 银行卡号 FROM 员工")).toString(),
                 QStringLiteral("6222021234567890128"));
        QCOMPARE(employees.load(1)->at(card), QStringLiteral("6222021234567890128"));
        QCOMPARE(employees.list().rows.at(0).at(card), QStringLiteral("**** **** **** 0128"));
        QCOMPARE(employees.list({{"银行卡号", "6222 0212 3456 7890 128"}}).rows.size(), 1);
        const auto other = app.connect();
        QCOMPARE(MasterRecords(*other, MasterKind::Employee).load(1)->mid(card - 1),
                 QStringList({"工商银行", "6222021234567890128", "银行"}));

        // Every single digit changed into any other is caught by the check digit.
        const QString valid = QStringLiteral("6222021234567890128");
        QVERIFY(luhnValid(valid));
        for (int i = 0; i < valid.size(); ++i)
            for (char16_t d = u'0'; d <= u'9'; ++d) {
                QString changed = valid;
                changed[i] = QChar(d);
                if (changed != valid)
                    QVERIFY2(!bankCardFault(changed).isEmpty() && !luhnValid(changed), qPrintable(changed));
            }
        const auto refused = [&](const QString& typed, const char* says) {
            QStringList bad = values;
            bad[card] = typed;
            const auto problem = employees.firstProblem(bad);
            QCOMPARE(problem, std::optional<int>(card));
            QVERIFY2(employees.problemText(bad, card).contains(QString::fromUtf8(says)),
                     qPrintable(employees.problemText(bad, card)));
            QVERIFY_THROWS_EXCEPTION(InputError, employees.save(1, bad));
            QCOMPARE(app.db().scalar(QStringLiteral("SELECT 银行卡号 FROM 员工")).toString(), valid);
        };
        refused(QStringLiteral("6222021234567890127"), "校验位不对");
        refused(QStringLiteral("62220212345"), "12 到 19 位");          // 11 digits
        refused(QStringLiteral("62220212345678901284"), "12 到 19 位"); // 20 digits
        refused(QStringLiteral("6222-0212-3456-7890-128"), "只能是数字");
        refused(QStringLiteral("=1+6222021234567890128"), "只能是数字");

        // The shortest card there is; an emptied card and cash pay stored as such.
        values[card] = QStringLiteral("622202123452");
        QVERIFY(employees.save(1, values));
        QCOMPARE(employees.list().rows.at(0).at(card), QStringLiteral("**** **** **** 3452"));
        values[card] = QStringLiteral("  ");
        values[method] = QStringLiteral("现金");
        QVERIFY(employees.save(1, values));
        QVERIFY(app.db().scalar(QStringLiteral("SELECT 银行卡号 FROM 员工")).isNull());
        QCOMPARE(employees.list().rows.at(0).at(card), QString());
        values[method] = QStringLiteral("支付宝");
        QCOMPARE(employees.firstProblem(values), std::optional<int>(method));
        QVERIFY_THROWS_EXCEPTION(InputError, employees.save(1, values));
        QCOMPARE(employees.load(1)->at(method), QStringLiteral("现金"));
        QVERIFY(isMaskedBankCard(maskedBankCard(valid)) && !isMaskedBankCard(valid));
    }

    void awkwardCharactersAreStoredAndMatchedLiterally()
    {
        TestApp app;
        const QString odd = QStringLiteral("O'Brien 50% \\n \"引号\"");
        MasterRecords deductions(app.db(), MasterKind::Deduction);
        QVERIFY(deductions.save(0, {odd, odd, odd, QStringLiteral("5"), odd}));
        QVERIFY(deductions.save(0, {QStringLiteral("O'Brien 50X \\n \"引号\""), QStringLiteral("b"), QString(),
                                    QStringLiteral("1"), QString()}));
        QCOMPARE(deductions.list().rows.at(0), QStringList({odd, odd, odd, "5", odd, "1"}));
        QCOMPARE(deductions.load(1).value(), QStringList({odd, odd, odd, "5", odd}));
        QVERIFY(deductions.numberExists(odd));
        QCOMPARE(deductions.list({{"扣减项目编号", odd}}).rows.size(), 1); // % is no wildcard here
    }

    void automaticNumberPadsButNeverTruncates()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        QCOMPARE(employees.automaticNumber(), QStringLiteral("Y00001"));
        app.db().exec(QStringLiteral("INSERT INTO 员工 (id, 工号) VALUES (7, '007')"));
        QCOMPARE(employees.automaticNumber(), QStringLiteral("Y00008"));
        app.db().exec(QStringLiteral("INSERT INTO 产品工价 (id, 产品编号) VALUES (41, 'x')"));
        QCOMPARE(MasterRecords(app.db(), MasterKind::Product).automaticNumber(), QStringLiteral("C00042"));
        app.db().exec(QStringLiteral("INSERT INTO 扣减项目 (id, 扣减项目编号) VALUES (123456, 'x')"));
        QCOMPARE(MasterRecords(app.db(), MasterKind::Deduction).automaticNumber(), QStringLiteral("K123457"));
        app.db().exec(QStringLiteral("INSERT INTO 员工 (id, 工号) VALUES (4294967296, 'big')"));
        QCOMPARE(employees.automaticNumber(), QStringLiteral("Y4294967297"));
    }

    void duplicateNumberIsFoundCleaned()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        QVERIFY(employees.save(0, employee(" E001\t", "张三")));
        QVERIFY(employees.numberExists(QStringLiteral("E001")));
        QVERIFY(employees.numberExists(QStringLiteral(" E001 ")));
        QVERIFY(!employees.numberExists(QStringLiteral("E0011")));
        QVERIFY(!employees.numberExists(QStringLiteral("e001")));
    }

    // Added or edited, a number another record of the table has is refused on both engines; the
    // refused save changes nothing, and a record keeps its own number through an edit.
    void aNumberAnotherRecordHasIsRefused()
    {
        TestApp app;
        const QString taken = QString::fromUtf16(kNumberTakenText);
        for (const MasterKind kind : {MasterKind::Employee, MasterKind::Product, MasterKind::Deduction}) {
            MasterRecords records(app.db(), kind);
            const QString table = records.table().table;
            QVERIFY(records.save(0, recordNumbered(kind, "N1")));
            QVERIFY(records.save(0, recordNumbered(kind, "N2")));
            const qint64 second = app.db().scalar(QStringLiteral("SELECT max(id) FROM %1").arg(table)).toLongLong();
            const int logged = OperationLog(app.db()).entries().size();
            QCOMPARE(saveResult(records, 0, recordNumbered(kind, " N1 ")), taken);
            QCOMPARE(saveResult(records, second, recordNumbered(kind, "N1")), taken);
            QCOMPARE(records.load(second)->value(0), QStringLiteral("N2"));
            QCOMPARE(count(app.db(), table), 2);
            QCOMPARE(OperationLog(app.db()).entries().size(), logged);
            QCOMPARE(saveResult(records, second, recordNumbered(kind, "N2")), QString());
            // The database itself refuses what the program's check would not see.
            QVERIFY(hasUniqueNumberIndex(app.db(), table));
            try {
                app.db().exec(QStringLiteral("UPDATE %1 SET %2 = 'N1'").arg(table, records.table().numberColumn().name));
                QFAIL("the index should refuse a number stored twice");
            } catch (const DbError& e) {
                QCOMPARE(e.cause(), Cause::Duplicate);
            }
        }
    }

    // Two clerks adding the same numbers at once: each number is stored once, the other clerk
    // hears "编号已存在", and nothing else fails.
    void clerksRacingForOneNumberStoreItOnce()
    {
        TestApp app;
        constexpr int kNumbers = 40;
        std::vector<std::unique_ptr<Database>> clerks;
        clerks.push_back(app.connect());
        clerks.push_back(app.connect());
        std::vector<QStringList> outcomes(clerks.size());
        std::vector<std::thread> threads;
        for (size_t c = 0; c < clerks.size(); ++c) {
            threads.emplace_back([&, c] {
                MasterRecords records(*clerks.at(c), MasterKind::Product);
                for (int n = 0; n < kNumbers; ++n)
                    outcomes.at(c) << saveResult(records, 0, product(qPrintable(QStringLiteral("R%1").arg(n)), "螺丝", "个", "1"));
            });
        }
        for (std::thread& t : threads)
            t.join();
        int saved = 0;
        for (int n = 0; n < kNumbers; ++n) {
            QStringList both{outcomes.at(0).at(n), outcomes.at(1).at(n)};
            both.sort();
            QCOMPARE(both, QStringList({QString(), QString::fromUtf16(kNumberTakenText)}));
            ++saved;
        }
        QCOMPARE(count(app.db(), QStringLiteral("产品工价")), saved);
        QCOMPARE(app.db().scalar("SELECT count(DISTINCT 产品编号) FROM 产品工价").toInt(), kNumbers);
    }

    // The other clerk's save comes after this one's check and before its insert: the index
    // decides, and the loser hears the same refusal as from the check.
    void theIndexDecidesWhenTheCheckCameTooEarly()
    {
        if (!TestApp::onServer())
            QSKIP("the file's write lock keeps the other clerk out from the check on");
        TestApp app;
        const std::unique_ptr<Database> other = app.connect();
        const std::unique_ptr<Database> watcher = app.connect();
        const qint64 clerkPid = app.db().scalar("SELECT pg_backend_pid()").toLongLong();
        Transaction otherSave(*other);
        QVERIFY(MasterRecords(*other, MasterKind::Employee).save(0, employee("E7", "李四")));
        QString result = QStringLiteral("not run");
        std::thread clerk([&] {
            MasterRecords records(app.db(), MasterKind::Employee);
            result = saveResult(records, 0, employee("E7", "张三"));
        });
        // The clerk's insert waits for the other's uncommitted row of the same number.
        while (watcher->scalar("SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = ?", {clerkPid}).toInt() == 0)
            std::this_thread::yield();
        otherSave.commit();
        clerk.join();
        QCOMPARE(result, QString::fromUtf16(kNumberTakenText));
        QCOMPARE(app.db().scalar("SELECT 姓名 FROM 员工 WHERE 工号 = 'E7'").toString(), QStringLiteral("李四"));
    }

    // Data of an earlier version that hold a number twice: the upgrade goes through, names the
    // duplicates in the log and at each connect, and the program keeps refusing new ones; once
    // they are told apart the next connect makes the index.
    void dataWithDuplicateNumbersUpgradeAndAreKeptApartOnceFixed()
    {
        TestApp app;
        Database& db = app.db();
        // The data as version 8 left them, with an employee and a deduction number stored twice.
        for (const char* table : {"员工", "产品工价", "扣减项目"}) {
            const QString name = QString::fromUtf8(table);
            const QString column = MasterRecords(db, name == u"员工"       ? MasterKind::Employee
                                                     : name == u"产品工价" ? MasterKind::Product
                                                                           : MasterKind::Deduction)
                                       .table()
                                       .numberColumn()
                                       .name;
            db.execScript(QStringLiteral("DROP INDEX %1_%2_唯一; CREATE INDEX %1_%2 ON %1 (%2)").arg(name, column));
        }
        db.execScript("INSERT INTO 员工 (工号, 姓名) VALUES ('Y001', '张三'), ('Y001', '李四'), ('Y002', '王五'), "
                      "('Y001', '赵六'); INSERT INTO 扣减项目 (扣减项目编号) VALUES ('K1'), ('K1'); "
                      "INSERT INTO 产品工价 (产品编号) VALUES ('C1'), ('C2')");
        dropAccountChecks(db);
        dropBundleTickets(db);
        db.execScript("DROP TABLE 工价历史; UPDATE kelvaro_meta SET value = '8' WHERE key = 'schema_version'");
        upgradeSchema(db);
        QCOMPARE(storedVersion(db), latestVersion());
        QVERIFY(!hasUniqueNumberIndex(db, "员工"));
        QVERIFY(!hasUniqueNumberIndex(db, "扣减项目"));
        QVERIFY(hasUniqueNumberIndex(db, "产品工价"));
        QStringList logged;
        for (const LogEntry& e : OperationLog(db).entries())
            if (e.action == u"编号重复")
                logged << e.target.section(u'\n', 0, 0);
        logged.sort();
        QCOMPARE(logged, QStringList({"员工表中有重复的工号：Y001（3 条）。", "扣减项目表中有重复的扣减项目编号：K1（2 条）。"}));

        QVERIFY(app.ctx().reconnect());
        QVERIFY(app.ctx().duplicateNumbers().contains(QStringLiteral("Y001（3 条）")));
        QVERIFY(app.ctx().duplicateNumbers().contains(QStringLiteral("K1（2 条）")));
        MasterRecords employees(app.db(), MasterKind::Employee);
        QCOMPARE(saveResult(employees, 0, employee("Y001", "新人")), QString::fromUtf16(kNumberTakenText));
        QCOMPARE(saveResult(employees, 4, employee("Y002", "赵六")), QString::fromUtf16(kNumberTakenText));
        // A record keeps its number, stored twice or not, through an edit of its other values.
        QCOMPARE(saveResult(employees, 1, employee("Y001", "张三丰")), QString());
        QCOMPARE(saveResult(employees, 2, employee("Y003", "李四")), QString());
        QCOMPARE(saveResult(employees, 4, employee("Y004", "赵六")), QString());
        QCOMPARE(count(app.db(), "员工", "工号 = 'Y001'"), 1);

        QVERIFY(app.ctx().reconnect());
        QVERIFY(!app.ctx().duplicateNumbers().contains(QStringLiteral("Y001")));
        QVERIFY(app.ctx().duplicateNumbers().contains(QStringLiteral("K1（2 条）")));
        QVERIFY(hasUniqueNumberIndex(app.db(), "员工"));
        QVERIFY(!app.db().indexes().contains(QStringLiteral("员工_工号")));
        QVERIFY_THROWS_EXCEPTION(DbError, app.db().exec("UPDATE 员工 SET 工号 = 'Y001'"));
    }

    void priceMustBeANumber()
    {
        // The order of the required fields is tested through the dialogs; here the number syntax.
        TestApp app;
        MasterRecords products(app.db(), MasterKind::Product);
        for (const char* bad : {"  ", "abc", "12.5元", "1e3", "--1"})
            QCOMPARE(products.firstProblem(product("C1", "螺丝", "个", bad)), 4);
        for (const char* good : {" 12.5 ", "\t300", "-2", "+3", ".5", "7.", "0.0125", "1.23450"})
            QCOMPARE(products.firstProblem(product("C1", "螺丝", "个", good)), std::nullopt);

        // A piece price of more than four places, or a deduction of more than six, is refused by
        // the save itself too, and nothing is written.
        MasterRecords items(app.db(), MasterKind::Deduction);
        const QStringList fine = product("C1", "螺丝", "个", "0.0125");
        const QStringList finer = product("C1", "螺丝", "个", "0.01255");
        const QStringList tiny{"K1", "罚款", "", "0.0000001", ""};
        QCOMPARE(products.firstProblem(finer), 4);
        QCOMPARE(products.problemText(finer, 4), QStringLiteral("工价最多保留 4 位小数！"));
        QCOMPARE(products.problemText(product("C1", "螺丝", "个", "abc"), 4), QStringLiteral("工价必须是数字！"));
        QCOMPARE(products.problemText(product("C1", "螺丝", "个", "12kg"), 4), QStringLiteral("工价必须是数字！"));
        QCOMPARE(products.problemText(product("C1", "螺丝", "个", " "), 4), QStringLiteral("工价未填写！"));
        QCOMPARE(items.problemText(tiny, 3), QStringLiteral("扣减金额最多保留 6 位小数！"));
        QVERIFY(products.save(0, fine));
        for (const auto& [records, id, values] : {std::tuple{&products, qint64(0), finer},
                                                  {&products, qint64(1), finer}, {&items, qint64(0), tiny}}) {
            try {
                records->save(id, values);
                QFAIL("a number of too many places was stored");
            } catch (const InputError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("位小数")), qPrintable(e.message()));
            }
        }
        QCOMPARE(products.load(1).value().at(4), QStringLiteral("0.0125"));
        QCOMPARE(count(app.db(), "产品工价") + count(app.db(), "扣减项目"), 1);
    }

    void addAndEditCleanValuesAndGrowCodeLists()
    {
        TestApp app;
        MasterRecords employees(app.db(), MasterKind::Employee);
        QVERIFY(employees.save(0, employee(" E001 ", " 张 三 ", " 新车间\t", "装配")));
        QVERIFY(employees.save(0, employee("E002", "李四", "新车间", "装配")));
        QCOMPARE(CodeList(app.db(), CodeListKind::Workshop).names(), QStringList({"新车间"}));
        QCOMPARE(CodeList(app.db(), CodeListKind::JobType).names(), QStringList({"装配"}));

        // An edit is cleaned like an add: the number must still match what the journals carry.
        QVERIFY(employees.save(1, employee(" E001\t", " 张三 ", "二车间", "装配", "2008-6-1")));
        QCOMPARE(employees.load(1).value(),
                 QStringList({"E001", "张三", "女", "", "二车间", "装配", "2008-6-1", "", "", "", ""}));
        QCOMPARE(count(app.db(), QStringLiteral("员工"), QStringLiteral("工号 = ?"), {"E001"}), 1);
        QCOMPARE(CodeList(app.db(), CodeListKind::Workshop).names(), QStringList({"新车间", "二车间"}));

        // The record to edit has gone: nothing is written, not even to the code lists.
        employees.remove(1);
        QVERIFY(!employees.save(1, employee("E001", "张三", "三车间", "装配")));
        QVERIFY(!employees.load(1));
        QCOMPARE(count(app.db(), QStringLiteral("员工")), 1);
        QCOMPARE(CodeList(app.db(), CodeListKind::Workshop).names().size(), 2);

        MasterRecords products(app.db(), MasterKind::Product);
        QVERIFY(products.save(0, product("C1", "螺丝", " 盒 ", " 12.5 ")));
        QCOMPARE(app.db().scalar(QStringLiteral("SELECT 工价 FROM 产品工价")), QVariant(12.5));
        QCOMPARE(CodeList(app.db(), CodeListKind::Unit).names(), QStringList({"盒"}));
        QVERIFY(products.save(1, product("C1", "螺丝", "盒", "+13")));
        QCOMPARE(products.load(1).value().at(4), QStringLiteral("13"));
        QCOMPARE(CodeList(app.db(), CodeListKind::Unit).names(), QStringList({"盒"}));
        QVERIFY_THROWS_EXCEPTION(InputError, products.save(1, product("C1", "螺丝", "盒", "贵")));
        QCOMPARE(products.load(1).value().at(4), QStringLiteral("13"));
    }

    // Stored lines name an employee by number and a product or deduction item by description:
    // a number they name stays, refused with the counts of the delete question; a name, price or
    // workshop change leaves the lines of a closed month as they were paid.
    void aNumberThatStoredLinesNameStaysAndClosedHistoryDoesNotMove()
    {
        TestApp app;
        Database& db = app.db();
        MasterRecords employees(db, MasterKind::Employee);
        MasterRecords products(db, MasterKind::Product);
        MasterRecords items(db, MasterKind::Deduction);
        QVERIFY(employees.save(0, employee("008", "吴十")));
        QVERIFY(employees.save(0, employee("009", "郑九")));
        QVERIFY(products.save(0, product("C1", "外壳", "个", "2")));
        QVERIFY(items.save(0, {"K1", "罚款", "", "5", ""}));
        MonthRecords(db).saveMonth(readMonthSheet({"2008-4", "008", "吴十",
                                    {{"2008-4-2", "外壳", "个", "3", "6", "", "2", ""},
                                     {"2008-4-3", "外壳", "个", "1", "2", "", "2", ""}},
                                    {{"2008-4-4", "罚款", "5"}}}));
        QCOMPARE(ClosedMonths(db).close("2008-4", "t"), ClosedMonths::Outcome::Done);
        const auto paid = [&] {
            QStringList rows;
            Statement st = db.prepare("SELECT 工号, 产品, 工价, 金额 FROM 工资流水 ORDER BY id");
            while (st.next())
                rows << QStringList{st.text(0), st.text(1), QString::number(st.number(2)), QString::number(st.number(3))}
                            .join(u' ');
            return rows << db.scalar("SELECT 姓名 || ' ' || 实发工资 FROM 员工工资").toString();
        };
        const QStringList before = paid();

        const qint64 wu = 1;
        const auto refusal = [&](MasterRecords& records, qint64 id, const QStringList& values) {
            try {
                records.save(id, values);
            } catch (const InputError& e) {
                return e.message();
            }
            return QString();
        };
        const QString employeeRefusal = refusal(employees, wu, employee("010", "吴十"));
        QVERIFY2(employeeRefusal.startsWith(referenceNote(MasterKind::Employee, employees.referringLines(wu))),
                 qPrintable(employeeRefusal));
        QVERIFY(employeeRefusal.startsWith(QStringLiteral("该员工有 2 条生产记录、1 条扣减记录。")));
        QVERIFY(employeeRefusal.contains(QStringLiteral("008")));
        QVERIFY(refusal(products, 1, product("C2", "外壳", "个", "2")).startsWith(QStringLiteral("该产品有 2 条生产记录。")));
        QVERIFY(refusal(items, 1, {"K2", "罚款", "", "5", ""}).startsWith(QStringLiteral("该扣减项目有 1 条扣减记录。")));
        QCOMPARE(employees.load(wu).value().at(0), QStringLiteral("008"));

        // Everything else may change; the closed month's lines and summary stay as paid.
        QVERIFY(employees.save(wu, employee(" 008 ", "吴拾", "二车间")));
        QVERIFY(products.save(1, product("C1", "外壳", "个", "9")));
        QVERIFY(items.save(1, {"K1", "罚款", "", "50", ""}));
        QCOMPARE(paid(), before);

        // A number no line names changes, and the log shows it old → new.
        QVERIFY(employees.save(2, employee("011", "郑九")));
        QCOMPARE(OperationLog(db).entries().value(0).target, QStringLiteral("009 → 011 郑九"));
    }

    // Two products of one description, P01 外壳 used on seven lines and P001 外壳 never: each
    // counts the lines that carry its number. A line handed over without a number names the
    // product whose description is its own alone (底座), and stays without one where namesakes
    // share it: both namesakes then say so apart, and neither number is held by it.
    void namesakesCountTheLinesOfTheirOwnNumber()
    {
        TestApp app;
        Database& db = app.db();
        MasterRecords products(db, MasterKind::Product);
        MasterRecords items(db, MasterKind::Deduction);
        QVERIFY(products.save(0, product("P01", "外壳", "个", "2")));
        QVERIFY(products.save(0, product("P001", "外壳", "个", "3")));
        QVERIFY(products.save(0, product("C2", "底座", "个", "1")));
        QVERIFY(items.save(0, {"K1", "罚款", "", "5", ""}));
        QVERIFY(items.save(0, {"K2", "罚款", "", "9", ""}));
        const qint64 p01 = 1, p001 = 2, base = 3, k1 = 1, k2 = 2;

        MonthTexts sheet{"2008-5", "001", "张三", {}, {}};
        for (int day = 1; day <= 7; ++day)
            sheet.production << LineTexts{QStringLiteral("2008-5-%1").arg(day), "外壳", "个", "1", "2", "", "2", "",
                                          "P01"};
        sheet.production << LineTexts{"2008-5-8", "底座", "个", "1", "1", "", "1", "", ""};
        sheet.deductions << LineTexts{"2008-5-9", "罚款", "5", "K1"} << LineTexts{"2008-5-10", "罚款", "5", "K1"};
        MonthRecords(db).saveMonth(readMonthSheet(sheet));

        QCOMPARE(products.referringLines(p001).production, qint64(0));
        QCOMPARE(referenceNote(MasterKind::Product, products.referringLines(p001)), QString());
        QCOMPARE(referenceNote(MasterKind::Product, products.referringLines(p01)), QStringLiteral("该产品有 7 条生产记录。"));
        QCOMPARE(products.referringLines(base).production, qint64(1));
        QCOMPARE(items.referringLines(k1).deductions, qint64(2));
        QCOMPARE(items.referringLines(k2).deductions, qint64(0));
        QCOMPARE(MonthRecords(db).loadProduction("001", {2008, 5}).value(7).value(PProductNo), QStringLiteral("C2"));

        // The unused namesake's number may change; the used one's is held by its lines.
        QVERIFY(products.save(p001, product("P002", "外壳", "个", "3")));
        QVERIFY_THROWS_EXCEPTION(InputError, products.save(p01, product("P03", "外壳", "个", "2")));

        // A line without a number under the shared description belongs to neither for sure.
        sheet.production << LineTexts{"2008-5-11", "外壳", "个", "1", "2", "", "2", "", ""};
        MonthRecords(db).saveMonth(readMonthSheet(sheet));
        QCOMPARE(count(db, "工资流水", "产品编号 IS NULL"), 1);
        for (const qint64 id : {p01, p001}) {
            const LineReferences refs = products.referringLines(id);
            QCOMPARE(refs.uncertainProduction, qint64(1));
            QVERIFY(referenceNote(MasterKind::Product, refs).contains(QStringLiteral("另有 1 条生产记录")));
        }
        QVERIFY(products.save(p001, product("P001", "外壳", "个", "3")));
    }

    // A record opened for editing in two places: the second save over the first one's change is
    // refused and changes nothing; opened again, it goes through.
    void anEditOverAnotherUsersChangeIsRefused()
    {
        TestApp app;
        const std::unique_ptr<Database> second = app.connect();
        MasterRecords here(app.db(), MasterKind::Employee);
        MasterRecords there(*second, MasterKind::Employee);
        QVERIFY(here.save(0, employee("E1", "张三")));
        const qint64 id = app.db().scalar("SELECT max(id) FROM 员工").toLongLong();
        const auto openedHere = here.load(id);
        const auto openedThere = there.load(id);
        QVERIFY(there.save(id, employee("E1", "张三", "二车间"), openedThere));
        try {
            here.save(id, employee("E1", "张三", "三车间"), openedHere);
            QFAIL("the edit over the other user's change should be refused");
        } catch (const InputError& e) {
            QCOMPARE(e.message(), QString::fromUtf16(kRecordChangedText));
        }
        QCOMPARE(here.load(id)->value(4), QStringLiteral("二车间"));
        QCOMPARE(app.db().scalar("SELECT count(*) FROM 车间 WHERE 车间 = '三车间'").toInt(), 0);
        // Saving the same values twice is no conflict; opened anew, the edit is saved.
        QVERIFY(there.save(id, employee("E1", "张三", "二车间"), there.load(id)));
        QVERIFY(here.save(id, employee("E1", "张三", "三车间"), here.load(id)));
        QCOMPARE(there.load(id)->value(4), QStringLiteral("三车间"));
    }

    void removeTakesOneRecord()
    {
        TestApp app;
        MasterRecords products(app.db(), MasterKind::Product);
        QVERIFY(products.save(0, product("C1", "螺丝", "个", "1")));
        QVERIFY(products.save(0, product("C2", "垫片", "个", "2")));
        products.remove(1);
        const RecordRows left = products.list();
        QCOMPARE(left.rows.size(), 1);
        QCOMPARE(left.rows.at(0).first(), QStringLiteral("C2"));
    }

    void findCountsCellsNotOccurrences()
    {
        // Rows of a grid with a header row; the last column stands for the hidden id.
        const QList<QStringList> grid{
            {"工号", "姓名", "id"}, {"A1", "王王", "1"}, {"王", "b王", "王"}, {"c", "d", "3"}, {"王c", "e", "4"}};
        const auto text = [&](int r, int c) { return grid.at(r).at(c); };
        QCOMPARE(ui::findCells(grid.size(), 2, 1, QStringLiteral("王"), text),
                 QList<ui::CellPos>({{1, 1}, {2, 0}, {2, 1}, {4, 0}}));
        QCOMPARE(ui::findCells(grid.size(), 2, 3, QStringLiteral("王"), text), QList<ui::CellPos>({{4, 0}}));
        QVERIFY(ui::findCells(grid.size(), 2, 1, QStringLiteral("3"), text).isEmpty());  // only in the id
        QVERIFY(ui::findCells(grid.size(), 2, 1, QStringLiteral("a1"), text).isEmpty()); // case matters
        QVERIFY(ui::findCells(grid.size(), 2, 1, QStringLiteral(" c"), text).isEmpty()); // the space counts
        QVERIFY(ui::findCells(1, 2, 1, QStringLiteral("工号"), text).isEmpty());         // header only

        QVERIFY(!ui::isSearchKeyword(QStringLiteral(" \t ")));
        QVERIFY(ui::isSearchKeyword(QStringLiteral(" c")));
        QCOMPARE(ui::findStartRow(false, 5), 1);
        QCOMPARE(ui::findStartRow(true, 5), 5);
        QCOMPARE(ui::findStartRow(true, 0), 1);
    }
};

QTEST_GUILESS_MAIN(TestMasterRecords)
#include "test_masterrecords.moc"
