#include "TestDb.h"
#include "data/Database.h"
#include "data/Tables.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace kv;

namespace {

// The text of every string literal of a C++ source, adjacent literals ("a" "b") joined into one,
// comments and character literals passed over.
QStringList stringLiterals(const QString& source)
{
    QStringList literals;
    QString current;
    bool joining = false; // only blanks since the last literal closed
    const auto close = [&] {
        if (joining)
            literals << current;
        current.clear();
        joining = false;
    };
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source.at(i);
        if (source.mid(i, 2) == u"//") {
            i = source.indexOf(u'\n', i);
            if (i < 0)
                break;
            continue;
        }
        if (source.mid(i, 2) == u"/*") {
            i = source.indexOf(u"*/", i + 2);
            if (i < 0)
                break;
            ++i;
            continue;
        }
        const bool digitSeparator = i > 0 && source.at(i - 1).isDigit() && source.mid(i + 1, 1) != u"\\";
        if (c == u'\'' && !digitSeparator) {
            // '"' and '\'' are characters, not quotes; 1'000 is a number.
            i = source.indexOf(u'\'', i + (source.at(i + 1) == u'\\' ? 3 : 2));
            if (i < 0)
                break;
            continue;
        }
        if (c == u'R' && source.mid(i + 1, 1) == u"\"") {
            const qsizetype open = source.indexOf(u'(', i);
            const QString end = u')' + source.mid(i + 2, open - i - 2) + u'"';
            const qsizetype stop = source.indexOf(end, open);
            if (stop < 0)
                break;
            current += source.mid(open + 1, stop - open - 1);
            joining = true;
            i = stop + end.size() - 1;
            continue;
        }
        if (c == u'"') {
            qsizetype j = i + 1;
            QString text;
            while (j < source.size() && source.at(j) != u'"') {
                if (source.at(j) == u'\\' && j + 1 < source.size()) {
                    text += source.at(j + 1) == u'n' ? QChar(u'\n') : source.at(j + 1);
                    j += 2;
                    continue;
                }
                text += source.at(j++);
            }
            current += text;
            joining = true;
            i = j;
            continue;
        }
        if (!c.isSpace() && !(c == u'u' && source.mid(i + 1, 1) == u"\"") && !(c == u'R' && joining))
            close();
    }
    close();
    return literals;
}

// Whether a literal is a statement or a part of one that the program sends to the database.
bool isStatementText(const QString& literal)
{
    static const QRegularExpression start(
        QStringLiteral("^\\s*(SELECT|INSERT|UPDATE|DELETE|WITH|CREATE|ALTER|DROP|WHERE|ORDER BY|GROUP BY|FROM|JOIN|"
                       "LEFT JOIN|SET|VALUES|AND|UNION)\\b"));
    return start.match(literal).hasMatch();
}

// The names of Chinese characters a statement uses, outside its quoted texts and comments, less
// the names the statement gives itself (AS 名, its indexes' names).
QSet<QString> namesUsed(const QString& statement)
{
    QString bare = statement;
    bare.remove(QRegularExpression(QStringLiteral("'(?:[^']|'')*'")));
    bare.remove(QRegularExpression(QStringLiteral("--[^\\n]*")));
    // A name holds at least one Chinese character and may hold letters, digits and _ ("生产单id").
    static const QRegularExpression han(QStringLiteral("[\\p{Han}\\w]*\\p{Han}[\\p{Han}\\w]*"));
    static const QRegularExpression alias(
        QStringLiteral("\\b(?:AS|INDEX(?:\\s+IF\\s+NOT\\s+EXISTS)?|INDEX\\s+IF\\s+EXISTS)\\s+([\\p{Han}\\w]*\\p{Han}[\\p{Han}\\w]*)"));
    QSet<QString> own;
    for (const auto& m : alias.globalMatch(bare))
        own << m.captured(1);
    QSet<QString> names;
    for (const auto& m : han.globalMatch(bare))
        if (!own.contains(m.captured(0)))
            names << m.captured(0);
    return names;
}

// Each statement of the source that names something the schema does not have, with that name.
QStringList unknownNames(const QString& source, const QSet<QString>& schema)
{
    QStringList faults;
    for (const QString& literal : stringLiterals(source)) {
        if (!isStatementText(literal))
            continue;
        for (const QString& name : namesUsed(literal))
            if (!schema.contains(name))
                faults << name + QStringLiteral(" in: ") + literal.simplified();
    }
    return faults;
}

// The tables of a new database and their columns, as the database itself reports them.
QSet<QString> schemaNames(Database& db)
{
    QSet<QString> names;
    for (const TableDef& table : schemaTables()) {
        const QString name = QString::fromUtf16(table.name);
        names << name;
        Statement st = db.prepare(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(name));
        for (int i = 0; i < st.columnCount(); ++i)
            names << st.columnName(i);
    }
    return names;
}

} // namespace

// The tables of the schema, with the columns each version adds, are the one list of names the
// program's statements may use: a statement that names a table or column the schema lacks
// fails only when it runs, which for an upgrade or an error path may be on a customer's data.
class TestSqlNames : public QObject {
    Q_OBJECT
private slots:
    void everyStatementNamesOnlyTablesAndColumnsOfTheSchema()
    {
        TestApp app;
        const QSet<QString> schema = schemaNames(app.db());
        QStringList faults;
        int statements = 0;
        QDirIterator it(QStringLiteral(KV_SOURCE_DIR), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QString source = QString::fromUtf8(file.readAll());
            for (const QString& literal : stringLiterals(source))
                statements += isStatementText(literal) ? 1 : 0;
            for (const QString& fault : unknownNames(source, schema))
                faults << QDir(QStringLiteral(KV_SOURCE_DIR)).relativeFilePath(path) + QStringLiteral(": ") + fault;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
        // The reading found the program's statements at all.
        QVERIFY2(statements > 150, qPrintable(QString::number(statements)));
    }

    void theReadingFindsAMisspeltNameWhereverTheStatementStands()
    {
        TestApp app;
        const QSet<QString> schema = schemaNames(app.db());
        const QString source = QStringLiteral(R"CPP(
            // "SELECT 不在 FROM 员工" in a comment is no statement; '"' is a character
            const char q = '"';
            db.prepare(QStringLiteral("SELECT id, 工号, 姓明 "
                                      "FROM 员工 WHERE 备注 = '一车间' AND 1'000"));
            db.exec(u"UPDATE 员工 SET 车间 = ? WHERE 工号 = ?");
            st = db.prepare(QStringLiteral("SELECT count(*) AS 行数 FROM 工资流水") + where);
            where = QStringLiteral("WHERE 扣减金 > 0");
            db.execScript(QStringLiteral(R"SQL(
                CREATE INDEX i ON 工资流水 (工号) -- 按工号
            )SQL"));
            ui::message(this, QStringLiteral("没有该员工！"));
        )CPP");
        const QStringList faults = unknownNames(source, schema);
        QCOMPARE(faults.size(), 2);
        QVERIFY2(faults.at(0).startsWith(QStringLiteral("姓明 in: SELECT id, 工号, 姓明 FROM 员工")), qPrintable(faults.at(0)));
        QVERIFY2(faults.at(1).startsWith(QStringLiteral("扣减金 in: WHERE")), qPrintable(faults.at(1)));
    }
};

QTEST_GUILESS_MAIN(TestSqlNames)
#include "test_sqlnames.moc"
