#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace kv {

class Database;

struct EmployeeRef {
    qint64 id = 0;
    QString number; // 工号
    QString name;   // 姓名
    QString workshop;
    QString jobType;

    // "张三-007", as the candidate list shows an employee.
    QString candidateText() const { return name + u'-' + number; }
    // "所在车间：一车间  工种：装配"
    QString workshopLine() const;
};

// The employee look-ups of the wage entry window. Typed texts are cleaned here. An employee who
// left (离职) is found only by id, or by number when asked for: nobody types him into a new month,
// while the months he was paid in still open on him.
class EmployeeFinder {
public:
    explicit EmployeeFinder(Database& db) : m_db(db) {}

    QList<EmployeeRef> nameContains(const QString& typed);
    QList<EmployeeRef> all();
    std::optional<EmployeeRef> byId(qint64 id);
    std::optional<EmployeeRef> byNumber(const QString& typed, bool withLeft = false);
    bool nameExists(const QString& typed);

private:
    QList<EmployeeRef> select(const QString& where, const QVariantList& values);

    Database& m_db;
};

} // namespace kv
