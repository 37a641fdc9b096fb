#pragma once

#include "GuiDriver.h"
#include "ScriptedBoxes.h"
#include "TestDb.h"
#include "entry/MonthRecords.h"
#include "entry/WageEntryWindow.h"
#include "ui/DataGrid.h"

#include <QComboBox>
#include <QLineEdit>

#include <memory>

// A wage entry window over a database with employees 张三 (001), 张四 (002), 王五 (1) and
// 赵六 (12), on 17 May 2008 unless told otherwise.
struct EntryFixture {
    explicit EntryFixture(QDate today = QDate(2008, 5, 17)) : app(today)
    {
        for (const auto& [no, name] : {std::pair{"001", "张三"}, {"002", "张四"}, {"1", "王五"}, {"12", "赵六"}})
            app.db().exec("INSERT INTO 员工 (工号, 姓名, 车间, 工种) VALUES (?, ?, '一车间', '装配')", {no, name});
        window = std::make_unique<kv::WageEntryWindow>(app.ctx());
        window->resize(window->minimumSize()); // the design size: five and three lines in view
        window->show();
        gui = std::make_unique<GuiDriver>(window.get());
    }

    QString text(const char* name) const { return gui->find<QLineEdit>(QString::fromUtf8(name))->text(); }
    kv::ui::DataGrid* grid(const char* name) const { return gui->find<kv::ui::DataGrid>(QString::fromUtf8(name)); }
    bool entryEnabled() const { return gui->find(QStringLiteral("Frame1"))->isEnabled(); }

    // Stores lines for an employee directly, as an earlier save would have.
    void store(const QString& no, const QString& month, QList<kv::LineTexts> production,
               QList<kv::LineTexts> deductions = {})
    {
        kv::MonthRecords(app.db()).saveMonth(
            kv::readMonthSheet({month, no, QString(), std::move(production), std::move(deductions)}));
    }

    TestApp app;
    ScriptedBoxes boxes;
    std::unique_ptr<kv::WageEntryWindow> window;
    std::unique_ptr<GuiDriver> gui;
};

// A production line as stored; without a piece price, the one that makes the amount.
inline kv::LineTexts productionLine(const QString& date, const QString& product, const QString& qty,
                                    const QString& amount, const QString& price = {})
{
    const double quantity = kv::numericValue(qty);
    const QString shownPrice =
        !price.isEmpty() ? price : kv::plainDecimal(quantity != 0 ? kv::numericValue(amount) / quantity : 0);
    return {date, product, QStringLiteral("个"), qty, amount, QString(), shownPrice, QString()};
}
