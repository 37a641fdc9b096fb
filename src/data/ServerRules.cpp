#include "data/ServerRules.h"

#include "data/Database.h"
#include "data/PgEngine.h"
#include "data/Session.h"

#include <utility>

namespace kv {

namespace {
// A text as the server reads it inside single quotes (standard_conforming_strings is on).
QString quotedText(const QString& text)
{
    QString inner = text;
    return u'\'' + inner.replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The functions. Words in braces are filled in by rulesSql: refusal texts the program shares,
// right values and the error class of a refusal.
constexpr auto kFunctions = uR"SQL(
DROP FUNCTION IF EXISTS kelvaro_account_check(bigint, text);
DROP FUNCTION IF EXISTS kelvaro_reopen_month(text, text);
DROP FUNCTION IF EXISTS kelvaro_proof_fits(bigint, text);

CREATE OR REPLACE FUNCTION kelvaro_refuse(message text) RETURNS void
LANGUAGE plpgsql SET search_path FROM CURRENT AS $body$
BEGIN
  RAISE EXCEPTION '%', message USING ERRCODE = '{state}';
END
$body$;

-- The account that the proof of its password shows; refuses any other.
CREATE OR REPLACE FUNCTION kelvaro_actor(actor bigint, proof text) RETURNS 管理员
LANGUAGE plpgsql SET search_path FROM CURRENT AS $body$
DECLARE
  a 管理员;
BEGIN
  SELECT * INTO a FROM 管理员 WHERE id = actor;
  IF NOT FOUND THEN
    PERFORM kelvaro_refuse('账号密码核对不上，没有做任何修改。请重新登录后再试。');
  END IF;
  IF a.校验 IS NULL THEN
    IF a.id = 1 THEN
      PERFORM kelvaro_refuse('超级管理员还没有密码校验值，在服务器上还不能用它修改数据。'
        || '请让管理服务器的人再运行一次 kelvaro --setup-server，按提示输入超级管理员的密码。');
    END IF;
    PERFORM kelvaro_refuse(format('账号“%s”还没有密码校验值，在服务器上还不能用它修改数据。'
      || '请让超级管理员在程序中重新设置这个账号的密码。', a.账号));
  END IF;
  IF proof IS NULL OR proof !~ '^[0-9a-f]{64}$'
      OR encode(sha256(decode(proof, 'hex')), 'hex') <> split_part(a.校验, '$', 5) THEN
    PERFORM kelvaro_refuse('账号密码核对不上，没有做任何修改。请重新登录后再试。');
  END IF;
  RETURN a;
END
$body$;

CREATE OR REPLACE FUNCTION kelvaro_now() RETURNS text
LANGUAGE sql STABLE SET search_path FROM CURRENT AS $body$
SELECT to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS')
$body$;

-- One entry of the operation log in the name of the account the proof shows, at the server's
-- time. Without an account only a failed login is written, in nobody's name.
CREATE OR REPLACE FUNCTION kelvaro_log(actor bigint, proof text, action text, target text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  a 管理员;
BEGIN
  IF actor IS NULL OR actor = 0 THEN
    IF action IS DISTINCT FROM '登录失败' THEN
      PERFORM kelvaro_refuse('只有登录的账号才能写操作日志。');
    END IF;
    INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES (kelvaro_now(), '', NULL, action, target);
    RETURN;
  END IF;
  a := kelvaro_actor(actor, proof);
  INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES (kelvaro_now(), a.账号, a.id, action, target);
END
$body$;

CREATE OR REPLACE FUNCTION kelvaro_account_write(actor bigint, proof text, target bigint, new_name text,
    new_hash text, new_check text, new_rights integer, remove boolean) RETURNS bigint
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  actor_rights integer;
  target_rights integer;
  written bigint;
BEGIN
  actor_rights := (kelvaro_actor(actor, proof)).权限;
  IF target IS NULL THEN
    IF actor <> 1 AND (actor_rights & {accounts}) = 0 THEN
      PERFORM kelvaro_refuse({accounts_refusal});
    END IF;
    IF actor <> 1 AND new_rights IS NOT NULL AND new_rights <> {new_rights} THEN
      PERFORM kelvaro_refuse({super_only});
    END IF;
    INSERT INTO 管理员 (账号, 密码, 校验, 权限) VALUES (new_name, new_hash, new_check, coalesce(new_rights, {new_rights}))
      RETURNING id INTO written;
    RETURN written;
  END IF;
  SELECT 权限 INTO target_rights FROM 管理员 WHERE id = target FOR UPDATE;
  IF NOT FOUND THEN
    RETURN NULL;
  END IF;
  IF remove AND target = 1 THEN
    PERFORM kelvaro_refuse('只有超级管理员才能修改超级管理员！');
  END IF;
  IF actor <> 1 THEN
    IF target = 1 THEN
      PERFORM kelvaro_refuse('只有超级管理员才能修改超级管理员！');
    END IF;
    IF target <> actor OR remove THEN
      IF (actor_rights & {accounts}) = 0 THEN
        PERFORM kelvaro_refuse({accounts_refusal});
      END IF;
      IF (target_rights & ~actor_rights) <> 0 THEN
        PERFORM kelvaro_refuse('不能修改比自己权限多的账号！');
      END IF;
    END IF;
    IF new_rights IS NOT NULL AND new_rights <> target_rights THEN
      PERFORM kelvaro_refuse({super_only});
    END IF;
  END IF;
  IF remove THEN
    DELETE FROM 管理员 WHERE id = target;
    RETURN target;
  END IF;
  UPDATE 管理员 SET 账号 = coalesce(new_name, 账号), 密码 = coalesce(new_hash, 密码),
    校验 = CASE WHEN new_hash IS NULL THEN 校验 ELSE new_check END, 权限 = coalesce(new_rights, 权限)
    WHERE id = target;
  RETURN target;
END
$body$;

-- Closes the month ("2026-11") for an account with the right to close months, at the server's
-- time; false when it was closed already.
DROP FUNCTION IF EXISTS kelvaro_close_month(bigint, text, text);
CREATE OR REPLACE FUNCTION kelvaro_close_month(actor bigint, proof text, month text, rounding text,
    denominations text) RETURNS boolean
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  a 管理员;
BEGIN
  a := kelvaro_actor(actor, proof);
  IF a.id <> 1 AND (a.权限 & {close_months}) = 0 THEN
    PERFORM kelvaro_refuse({close_refusal});
  END IF;
  IF month IS NULL OR month !~ '^[0-9]{4}-([1-9]|1[0-2])$' THEN
    PERFORM kelvaro_refuse('月份不正确，请按“2026-11”的样子填写月份！');
  END IF;
  -- Waits for saves of the month under way, as the program's own lock of closing does.
  PERFORM pg_advisory_xact_lock(hashtext(current_schema() || ' ' || '月结 ' || month));
  IF EXISTS (SELECT 1 FROM 月结 WHERE 月份 = month) THEN
    RETURN false;
  END IF;
  -- The month's snapshot (月结明细) was written by the clerk's program just before, in the same
  -- transaction; from here on the closed-month trigger keeps it as it is.
  INSERT INTO 月结 (月份, 结账时间, 账号, 取整, 零钞面额) VALUES (month, kelvaro_now(), a.账号, rounding, denominations);
  INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES (kelvaro_now(), a.账号, a.id, '结账', month);
  RETURN true;
END
$body$;

-- Reopens the month for the super administrator, shown by the proof of its password; the number
-- of closings removed (0 when it was open).
CREATE OR REPLACE FUNCTION kelvaro_reopen_month(proof text, month text) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  a 管理员;
  removed integer;
BEGIN
  SELECT * INTO a FROM 管理员 WHERE id = 1;
  IF a.校验 IS NOT NULL AND (proof IS NULL OR proof !~ '^[0-9a-f]{64}$'
      OR encode(sha256(decode(proof, 'hex')), 'hex') <> split_part(a.校验, '$', 5)) THEN
    PERFORM kelvaro_refuse('超级管理员密码不正确！');
  END IF;
  a := kelvaro_actor(1, proof);
  PERFORM pg_advisory_xact_lock(hashtext(current_schema() || ' ' || '月结 ' || month));
  DELETE FROM 月结 WHERE 月份 = month;
  GET DIAGNOSTICS removed = ROW_COUNT;
  DELETE FROM 月结明细 WHERE 月份 = month;
  IF removed > 0 THEN
    INSERT INTO 操作日志 (时间, 账号, 账号ID, 操作, 内容) VALUES (kelvaro_now(), a.账号, a.id, '反结账', month);
  END IF;
  RETURN removed;
END
$body$;

-- The settings a clerk may change in kelvaro_meta, with the right the program asks for each; the
-- schema's own entries (its version) stay the owner's.
CREATE OR REPLACE FUNCTION kelvaro_setting(actor bigint, proof text, setting text, setting_value text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  a 管理员;
BEGIN
  a := kelvaro_actor(actor, proof);
  IF setting IS NULL OR setting NOT IN ({settings}) THEN
    PERFORM kelvaro_refuse('这项设置只有数据库的所有者才能修改。');
  END IF;
  -- What is paid out (rounding, cash notes) goes with the right to close months.
  IF setting IN ('net_pay_rounding', 'cash_denominations') THEN
    IF a.id <> 1 AND (a.权限 & {close_months}) = 0 THEN
      PERFORM kelvaro_refuse({close_refusal});
    END IF;
  ELSIF a.id <> 1 AND (a.权限 & {master_data}) = 0 THEN
    PERFORM kelvaro_refuse({master_refusal});
  END IF;
  INSERT INTO kelvaro_meta (key, value) VALUES (setting, setting_value)
    ON CONFLICT (key) DO UPDATE SET value = EXCLUDED.value;
END
$body$;
)SQL";

// The triggers' functions: they run for every role but the owner's (the WHEN of each trigger).
constexpr auto kTriggers = uR"SQL(
-- The month ("2026-11") of a day ('2026-11-05') or of a month in either stored spelling
-- ('2026-11', '2026-5'); null for anything else, which the tables' checks keep out.
CREATE OR REPLACE FUNCTION kelvaro_month_of(t text) RETURNS text
LANGUAGE sql IMMUTABLE AS $body$
SELECT CASE WHEN t ~ '^[0-9]{4}-[0-9]{1,2}(-[0-9]{2})?$'
  THEN split_part(t, '-', 1) || '-' || split_part(t, '-', 2)::integer END
$body$;

CREATE OR REPLACE FUNCTION kelvaro_refuse_closed_month() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  r jsonb;
BEGIN
  FOREACH r IN ARRAY ARRAY[CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END,
                           CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END] LOOP
    IF EXISTS (SELECT 1 FROM 月结
        WHERE 月份 = kelvaro_month_of(coalesce(r ->> '日期', r ->> '月份', r ->> '领取月份'))) THEN
      PERFORM kelvaro_refuse('该月份已结账，不能修改！');
    END IF;
  END LOOP;
  IF TG_OP = 'DELETE' THEN
    RETURN OLD;
  END IF;
  RETURN NEW;
END
$body$;

-- The sums of an employee's lines in the month ("2026-11"), as the program sums them.
CREATE OR REPLACE FUNCTION kelvaro_line_sums(emp text, month text, OUT production double precision,
    OUT deductions double precision)
LANGUAGE plpgsql STABLE SET search_path FROM CURRENT AS $body$
DECLARE
  first_day date := to_date(month || '-1', 'YYYY-MM-DD');
  f text := to_char(first_day, 'YYYY-MM-DD');
  n text := to_char(first_day + interval '1 month', 'YYYY-MM-DD');
BEGIN
  SELECT sum(round(金额::numeric, 6))::double precision INTO production FROM 工资流水
    WHERE 工号 = emp AND 日期 >= f AND 日期 < n;
  SELECT sum(round(扣减金额::numeric, 6))::double precision INTO deductions FROM 扣减流水
    WHERE 工号 = emp AND 日期 >= f AND 日期 < n;
END
$body$;

-- 月度合计 and the sums of 员工工资 of the employee's month, from the journals again.
CREATE OR REPLACE FUNCTION kelvaro_refresh_sums(emp text, month text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  s record;
  key text;
BEGIN
  IF emp IS NULL OR month IS NULL THEN
    RETURN;
  END IF;
  s := kelvaro_line_sums(emp, month);
  key := to_char(to_date(month || '-1', 'YYYY-MM-DD'), 'YYYY-MM');
  DELETE FROM 月度合计 WHERE 月份 = key AND 工号 = emp;
  IF s.production IS NOT NULL OR s.deductions IS NOT NULL THEN
    INSERT INTO 月度合计 (月份, 工号, 生产金额, 扣减) VALUES (key, emp, s.production, s.deductions);
  END IF;
  UPDATE 员工工资 SET 生产金额 = coalesce(s.production, 0), 扣减 = coalesce(s.deductions, 0),
      实发工资 = coalesce(s.production, 0) - coalesce(s.deductions, 0)
    WHERE 工号 = emp AND 月份 = month AND (生产金额, 扣减, 实发工资) IS DISTINCT FROM
      (coalesce(s.production, 0), coalesce(s.deductions, 0), coalesce(s.production, 0) - coalesce(s.deductions, 0));
END
$body$;

CREATE OR REPLACE FUNCTION kelvaro_journal_changed() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
BEGIN
  IF TG_OP <> 'INSERT' THEN
    PERFORM kelvaro_refresh_sums(OLD.工号, kelvaro_month_of(OLD.日期));
  END IF;
  IF TG_OP <> 'DELETE' AND (TG_OP = 'INSERT' OR OLD.工号 IS DISTINCT FROM NEW.工号
      OR kelvaro_month_of(OLD.日期) IS DISTINCT FROM kelvaro_month_of(NEW.日期)) THEN
    PERFORM kelvaro_refresh_sums(NEW.工号, kelvaro_month_of(NEW.日期));
  END IF;
  RETURN NULL;
END
$body$;

-- A row of 员工工资 written holds the sums of the journals, whatever the statement gave.
CREATE OR REPLACE FUNCTION kelvaro_pay_row_sums() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  s record;
BEGIN
  s := kelvaro_line_sums(NEW.工号, kelvaro_month_of(NEW.月份));
  NEW.生产金额 := coalesce(s.production, 0);
  NEW.扣减 := coalesce(s.deductions, 0);
  NEW.实发工资 := NEW.生产金额 - NEW.扣减;
  RETURN NEW;
END
$body$;

-- Nothing that stored lines name is renumbered or deleted: an employee (by 工号), a product (by
-- 产品编号), a deduction item (by 扣减项目编号), a ticket (by 票号). Other columns change freely.
CREATE OR REPLACE FUNCTION kelvaro_keep_named() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  old_no text := to_jsonb(OLD) ->> TG_ARGV[0];
  named boolean;
BEGIN
  IF TG_OP = 'UPDATE' AND old_no IS NOT DISTINCT FROM (to_jsonb(NEW) ->> TG_ARGV[0]) THEN
    RETURN NEW;
  END IF;
  IF old_no IS NULL OR old_no = '' THEN
    named := false;
  ELSIF TG_TABLE_NAME = '员工' THEN
    named := NOT EXISTS (SELECT 1 FROM 员工 WHERE 工号 = old_no AND id <> OLD.id) AND (
      EXISTS (SELECT 1 FROM 工资流水 WHERE 工号 = old_no) OR EXISTS (SELECT 1 FROM 扣减流水 WHERE 工号 = old_no)
      OR EXISTS (SELECT 1 FROM 员工工资 WHERE 工号 = old_no) OR EXISTS (SELECT 1 FROM 菲票 WHERE 领取工号 = old_no));
  ELSIF TG_TABLE_NAME = '产品工价' THEN
    named := NOT EXISTS (SELECT 1 FROM 产品工价 WHERE 产品编号 = old_no AND id <> OLD.id)
      AND EXISTS (SELECT 1 FROM 工资流水 WHERE 产品编号 = old_no);
  ELSIF TG_TABLE_NAME = '扣减项目' THEN
    named := NOT EXISTS (SELECT 1 FROM 扣减项目 WHERE 扣减项目编号 = old_no AND id <> OLD.id)
      AND EXISTS (SELECT 1 FROM 扣减流水 WHERE 扣减项目编号 = old_no);
  ELSE
    named := EXISTS (SELECT 1 FROM 工资流水 WHERE 菲票号 = old_no);
  END IF;
  IF named THEN
    PERFORM kelvaro_refuse(format('%s %s 已有工资记录使用，不能删除，也不能改编号。', TG_ARGV[1], old_no));
  END IF;
  IF TG_OP = 'DELETE' THEN
    RETURN OLD;
  END IF;
  RETURN NEW;
END
$body$;
)SQL";

// Tables whose rows belong to a month, by their day or month column.
constexpr const char16_t* kMonthTables[] = {u"工资流水", u"扣减流水", u"员工工资", u"月度合计", u"菲票", u"月结明细",
                                            u"班组月", u"班组产量"};
// Master tables and what names their rows: the column of the number, the caption in a refusal.
struct NamedTable {
    const char16_t* table;
    const char16_t* column;
    const char16_t* caption;
};
constexpr NamedTable kNamedTables[] = {{u"员工", u"工号", u"员工"},
                                       {u"产品工价", u"产品编号", u"产品"},
                                       {u"扣减项目", u"扣减项目编号", u"扣减项目"},
                                       {u"菲票", u"票号", u"菲票"}};

// Columns of days and months and the one form each holds: a day as '2026-11-05' (a real day), a
// month of the summaries and closings as '2026-11' or '2026-5' (no leading zero), a month of
// 月度合计 always with two digits.
enum class Form { Day, Month, TwoDigitMonth };
struct TypedColumn {
    const char16_t* table;
    const char16_t* column;
    Form form;
};
constexpr TypedColumn kTypedColumns[] = {{u"工资流水", u"日期", Form::Day},
                                         {u"扣减流水", u"日期", Form::Day},
                                         {u"工价历史", u"生效日期", Form::Day},
                                         {u"员工工资", u"月份", Form::Month},
                                         {u"月结", u"月份", Form::Month},
                                         {u"菲票", u"领取月份", Form::Month},
                                         {u"月度合计", u"月份", Form::TwoDigitMonth}};

// Whether the column's value has its form (null passes: a line without a date belongs to no
// month). A day is taken apart only once the pattern holds, so that no cast can fail.
QString formTerm(const QString& column, Form form)
{
    switch (form) {
    case Form::Day:
        return QStringLiteral("CASE WHEN %1 ~ '^[1-9][0-9]{3}-(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])$' "
                              "THEN to_char((left(%1, 8) || '01')::date + (substr(%1, 9, 2)::int - 1), "
                              "'YYYY-MM-DD') = %1 ELSE false END")
            .arg(column);
    case Form::Month: return QStringLiteral("%1 ~ '^[1-9][0-9]{3}-([1-9]|1[0-2])$'").arg(column);
    case Form::TwoDigitMonth: return QStringLiteral("%1 ~ '^[1-9][0-9]{3}-(0[1-9]|1[0-2])$'").arg(column);
    }
    return {};
}

// Every day and month column holds its one form, checked by the table itself. Values stored
// before in another form are not changed: they are listed and the setup stops, so that the owner
// corrects them first.
void requireTypedColumns(Database& db)
{
    QStringList found;
    for (const TypedColumn& typed : kTypedColumns) {
        const QString table = QString::fromUtf16(typed.table), column = QString::fromUtf16(typed.column);
        Statement st = db.prepare(QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE %1 IS NOT NULL AND NOT (%3) "
                                                 "ORDER BY 1 LIMIT 10")
                                      .arg(column, table, formTerm(column, typed.form)));
        QStringList values;
        while (st.next())
            values << u'“' + st.text(0) + u'”';
        if (!values.isEmpty())
            found << QStringLiteral("%1 的 %2：%3").arg(table, column, values.join(QStringLiteral("、")));
    }
    if (!found.isEmpty())
        throw DbError(QStringLiteral("数据里有不是正确日期或月份的值，数据库没有设置，数据也没有改动。"
                                     "请先改正这些值（日期如 2026-11-05，月份如 2026-11）：\n%1")
                          .arg(found.join(u'\n')),
                      Cause::Constraint, EngineKind::Server, db.location());
    QString sql;
    for (const TypedColumn& typed : kTypedColumns) {
        const QString table = QString::fromUtf16(typed.table), column = QString::fromUtf16(typed.column);
        sql += QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT IF EXISTS kelvaro_%2_form; "
                              "ALTER TABLE %1 ADD CONSTRAINT kelvaro_%2_form CHECK (%3);\n")
                   .arg(table, column, formTerm(column, typed.form));
    }
    db.execScript(sql);
}

QString rulesSql()
{
    QString sql = QString::fromUtf16(kFunctions) + QString::fromUtf16(kTriggers);
    const std::pair<const char*, QString> fills[] = {
        {"{state}", QString::fromLatin1(kRefusalState)},
        {"{accounts}", QString::number(int(Right::Accounts))},
        {"{close_months}", QString::number(int(Right::CloseMonths))},
        {"{master_data}", QString::number(int(Right::MasterData))},
        {"{new_rights}", QString::number(newAccountRights().toInt())},
        {"{accounts_refusal}", quotedText(refusalText(Right::Accounts))},
        {"{close_refusal}", quotedText(refusalText(Right::CloseMonths))},
        {"{master_refusal}", quotedText(refusalText(Right::MasterData))},
        {"{super_only}", quotedText(superAdministratorOnlyText())},
        {"{settings}", QStringLiteral("'factory_name', 'cash_denominations', 'net_pay_rounding', 'ticket_serial'")},
    };
    for (const auto& [word, value] : fills)
        sql.replace(QLatin1String(word), value);
    return sql;
}
} // namespace

void installServerRules(Database& db, const QString& ownerRole)
{
    requireTypedColumns(db);
    db.execScript(rulesSql());
    const QString notOwner = QStringLiteral("WHEN (NOT pg_has_role(%1, 'MEMBER'))").arg(quotedText(ownerRole));
    QString triggers;
    const auto trigger = [&](const QString& name, const QString& table, const QString& when, const QString& call) {
        triggers += QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2; CREATE TRIGGER %1 %3 ON %2 FOR EACH ROW %4 "
                                   "EXECUTE FUNCTION %5;\n")
                        .arg(name, table, when, notOwner, call);
    };
    for (const char16_t* table : kMonthTables)
        trigger(QStringLiteral("kelvaro_closed_month"), QString::fromUtf16(table),
                QStringLiteral("BEFORE INSERT OR UPDATE OR DELETE"), QStringLiteral("kelvaro_refuse_closed_month()"));
    for (const char* journal : {"工资流水", "扣减流水"})
        trigger(QStringLiteral("kelvaro_sums"), QString::fromUtf8(journal),
                QStringLiteral("AFTER INSERT OR UPDATE OR DELETE"), QStringLiteral("kelvaro_journal_changed()"));
    trigger(QStringLiteral("kelvaro_sums"), QStringLiteral("员工工资"), QStringLiteral("BEFORE INSERT OR UPDATE"),
            QStringLiteral("kelvaro_pay_row_sums()"));
    for (const NamedTable& named : kNamedTables)
        trigger(QStringLiteral("kelvaro_named"), QString::fromUtf16(named.table),
                QStringLiteral("BEFORE UPDATE OR DELETE"),
                QStringLiteral("kelvaro_keep_named(%1, %2)")
                    .arg(quotedText(QString::fromUtf16(named.column)), quotedText(QString::fromUtf16(named.caption))));
    db.execScript(triggers);
}

QString clerkFunctions()
{
    return QStringLiteral("kelvaro_log(bigint, text, text, text), "
                          "kelvaro_account_write(bigint, text, bigint, text, text, text, integer, boolean), "
                          "kelvaro_close_month(bigint, text, text, text, text), kelvaro_reopen_month(text, text), "
                          "kelvaro_setting(bigint, text, text, text)");
}

} // namespace kv
