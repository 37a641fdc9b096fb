#include "data/ServerSetup.h"

#include "data/Database.h"
#include "data/PgEngine.h"
#include "data/Schema.h"
#include "data/Session.h"
#include "data/Tables.h"

namespace kv {

namespace {
// A name as the server reads it inside double quotes; names are never bound, so they are quoted.
QString quotedName(const QString& name)
{
    QString inner = name;
    return u'"' + inner.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// A text as the server reads it inside single quotes (standard_conforming_strings is on).
QString quotedText(const QString& text)
{
    QString inner = text;
    return u'\'' + inner.replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The journals and sums whose rows belong to a month, and the column that names it.
const QStringList kMonthTables{QStringLiteral("工资流水"), QStringLiteral("扣减流水"), QStringLiteral("员工工资"),
                               QStringLiteral("月度合计"), QStringLiteral("月结明细"), QStringLiteral("班组月"),
                               QStringLiteral("班组产量")};
// Tables a clerk only adds to: the log is never rewritten, a month reopens through the owner's
// function. What a closed month paid is written by closing it (before its 月结 row, so that the
// trigger of closed months lets it in) and goes only when it reopens.
const QStringList kAppendOnly{QStringLiteral("操作日志"), QStringLiteral("月结"), QStringLiteral("月结明细")};

bool roleExists(Database& db, const QString& role)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ?"), {role}).toInt() > 0;
}

// The schema and everything in it made the owner role's, whoever made them before (a server used
// under one role before it was set up for clerks).
void handOver(Database& db, const QString& schema, const QString& owner)
{
    if (db.scalar(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = ?"), {schema}).toInt() == 0) {
        db.execScript(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %2").arg(quotedName(schema), quotedName(owner)));
        return;
    }
    db.execScript(QStringLiteral("ALTER SCHEMA %1 OWNER TO %2").arg(quotedName(schema), quotedName(owner)));
    QStringList tables, functions;
    Statement st = db.prepare(QStringLiteral(
        "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = ? AND c.relkind IN ('r', 'p') AND pg_get_userbyid(c.relowner) <> ? ORDER BY c.relname"));
    st.bindAll({schema, owner});
    while (st.next())
        tables << st.text(0);
    Statement fn = db.prepare(
        QStringLiteral("SELECT p.oid::regprocedure::text FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
                       "WHERE n.nspname = ? AND pg_get_userbyid(p.proowner) <> ?"));
    fn.bindAll({schema, owner});
    while (fn.next())
        functions << fn.text(0);
    for (const QString& table : std::as_const(tables))
        db.execScript(QStringLiteral("ALTER TABLE %1.%2 OWNER TO %3")
                          .arg(quotedName(schema), quotedName(table), quotedName(owner)));
    for (const QString& function : std::as_const(functions))
        db.execScript(QStringLiteral("ALTER FUNCTION %1 OWNER TO %2").arg(function, quotedName(owner)));
}

// The functions through which a clerk changes accounts and reopens months. Each is the owner's
// and runs with its rights, in the program's schema only (pg_temp last, so that a clerk's own
// temporary table cannot stand in for 管理员); each first checks the proof of the acting
// account's password (Passwords.h) and then the rules the program keeps.
QString functionsSql()
{
    const QString refuse = QStringLiteral("RAISE EXCEPTION '%', %1 USING ERRCODE = '") +
                           QString::fromLatin1(kRefusalState) + QStringLiteral("'");
    const auto refusal = [&](const QString& text) { return refuse.arg(quotedText(text)); };
    return QStringLiteral(R"SQL(
CREATE OR REPLACE FUNCTION kelvaro_proof_fits(account bigint, proof text) RETURNS boolean
LANGUAGE sql STABLE SET search_path FROM CURRENT AS $body$
SELECT coalesce((SELECT 校验 IS NOT NULL AND proof ~ '^[0-9a-f]{64}$'
    AND encode(sha256(decode(proof, 'hex')), 'hex') = split_part(校验, '$', 5)
  FROM 管理员 WHERE id = account), false)
$body$;

CREATE OR REPLACE FUNCTION kelvaro_account_write(actor bigint, proof text, target bigint, new_name text,
    new_hash text, new_check text, new_rights integer, remove boolean) RETURNS bigint
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  actor_rights integer;
  target_rights integer;
  written bigint;
BEGIN
  IF NOT kelvaro_proof_fits(actor, proof) THEN
    %1;
  END IF;
  SELECT 权限 INTO actor_rights FROM 管理员 WHERE id = actor;
  IF target IS NULL THEN
    IF actor <> 1 AND (actor_rights & %7) = 0 THEN
      %2;
    END IF;
    IF actor <> 1 AND new_rights IS NOT NULL AND new_rights <> %8 THEN
      %3;
    END IF;
    INSERT INTO 管理员 (账号, 密码, 校验, 权限) VALUES (new_name, new_hash, new_check, coalesce(new_rights, %8))
      RETURNING id INTO written;
    RETURN written;
  END IF;
  SELECT 权限 INTO target_rights FROM 管理员 WHERE id = target FOR UPDATE;
  IF NOT FOUND THEN
    RETURN NULL;
  END IF;
  IF remove AND target = 1 THEN
    %4;
  END IF;
  IF actor <> 1 THEN
    IF target = 1 THEN
      %4;
    END IF;
    IF target <> actor OR remove THEN
      IF (actor_rights & %7) = 0 THEN
        %2;
      END IF;
      IF (target_rights & ~actor_rights) <> 0 THEN
        %5;
      END IF;
    END IF;
    IF new_rights IS NOT NULL AND new_rights <> target_rights THEN
      %3;
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

CREATE OR REPLACE FUNCTION kelvaro_account_check(target bigint, new_check text) RETURNS void
LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
UPDATE 管理员 SET 校验 = new_check WHERE id = target AND 校验 IS NULL AND new_check ~ '^argon2id\$[0-9]+\$[0-9]+\$[0-9a-f]+\$[0-9a-f]{64}$'
$body$;

CREATE OR REPLACE FUNCTION kelvaro_reopen_month(month text, proof text) RETURNS integer
LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $body$
DECLARE
  removed integer;
BEGIN
  IF NOT kelvaro_proof_fits(1, proof) THEN
    %6;
  END IF;
  DELETE FROM 月结明细 WHERE 月份 = month;
  DELETE FROM 月结 WHERE 月份 = month;
  GET DIAGNOSTICS removed = ROW_COUNT;
  RETURN removed;
END
$body$;

CREATE OR REPLACE FUNCTION kelvaro_refuse_closed_month() RETURNS trigger
LANGUAGE plpgsql SET search_path FROM CURRENT AS $body$
DECLARE
  r jsonb;
  t text;
BEGIN
  FOREACH r IN ARRAY ARRAY[CASE WHEN TG_OP <> 'INSERT' THEN to_jsonb(OLD) END,
                           CASE WHEN TG_OP <> 'DELETE' THEN to_jsonb(NEW) END] LOOP
    t := coalesce(r ->> '日期', r ->> '月份');
    IF t ~ '^[0-9]{4}-[0-9]{1,2}' AND EXISTS (SELECT 1 FROM 月结
        WHERE 月份 = split_part(t, '-', 1)::integer || '-' || split_part(t, '-', 2)::integer) THEN
      %9;
    END IF;
  END LOOP;
  IF TG_OP = 'DELETE' THEN
    RETURN OLD;
  END IF;
  RETURN NEW;
END
$body$;
)SQL")
        .arg(refusal(QStringLiteral("账号密码核对不上，账号没有修改。请重新登录后再试。")),
             refusal(refusalText(Right::Accounts)), refusal(superAdministratorOnlyText()),
             refusal(QStringLiteral("只有超级管理员才能修改超级管理员！")),
             refusal(QStringLiteral("不能修改比自己权限多的账号！")), refusal(QStringLiteral("超级管理员密码不正确！")),
             QString::number(int(Right::Accounts)), QString::number(newAccountRights().toInt()),
             refusal(QStringLiteral("该月份已结账，不能修改！")));
}

// Functions, trigger and grants, made by the owner role in its own schema.
void grantClerkRights(Database& db, const QString& schema, const QString& owner, const QString& clerk)
{
    Transaction tx(db);
    db.scalar(QStringLiteral("SELECT set_config('search_path', ?, true)"),
              {quotedName(schema) + QStringLiteral(", pg_temp")});
    db.execScript(functionsSql());
    for (const QString& table : kMonthTables)
        db.execScript(QStringLiteral("DROP TRIGGER IF EXISTS kelvaro_closed_month ON %1; "
                                     "CREATE TRIGGER kelvaro_closed_month BEFORE INSERT OR UPDATE OR DELETE ON %1 "
                                     "FOR EACH ROW WHEN (NOT pg_has_role(%2, 'MEMBER')) "
                                     "EXECUTE FUNCTION kelvaro_refuse_closed_month()")
                          .arg(quotedName(table), quotedText(owner)));

    const QString c = quotedName(clerk);
    QStringList work;
    for (const QString& table : tableNames(TableRole::Data) + tableNames(TableRole::Log))
        if (!kAppendOnly.contains(table))
            work << quotedName(table);
    QStringList appendOnly;
    for (const QString& table : kAppendOnly)
        appendOnly << quotedName(table);
    // Whatever an earlier setup granted is taken back first, so that a run gives exactly these.
    db.execScript(
        QStringLiteral(R"SQL(
REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA %1 FROM PUBLIC, %2;
GRANT USAGE ON SCHEMA %1 TO %2;
GRANT SELECT, INSERT, UPDATE, DELETE ON %3 TO %2;
GRANT SELECT, INSERT ON %4 TO %2;
GRANT SELECT, INSERT, UPDATE ON kelvaro_meta TO %2;
GRANT SELECT ON 管理员 TO %2;
GRANT EXECUTE ON FUNCTION kelvaro_account_write(bigint, text, bigint, text, text, text, integer, boolean),
  kelvaro_account_check(bigint, text), kelvaro_reopen_month(text, text) TO %2;
)SQL")
            .arg(quotedName(schema), c, work.join(QStringLiteral(", ")), appendOnly.join(QStringLiteral(", "))));
    tx.commit();
}
} // namespace

ServerSetup setUpServer(const QString& connection)
{
    std::unique_ptr<Database> db = Database::openServer(connection);
    ServerSetup setup;
    setup.schema = serverSchema(connection);
    setup.ownerRole = setup.schema + QStringLiteral("_owner");
    setup.clerkRole = setup.schema + QStringLiteral("_clerk");
    if (!db->scalar(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = current_user")).toBool())
        throw DbError(QStringLiteral("设置数据库要以服务器的超级用户（例如 postgres）连接，现在连接所用的角色不是。"),
                      Cause::PermissionDenied, EngineKind::Server, db->location());
    {
        Transaction tx(*db);
        for (const QString& role : {setup.ownerRole, setup.clerkRole})
            if (!roleExists(*db, role))
                db->execScript(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(quotedName(role)));
        handOver(*db, setup.schema, setup.ownerRole);
        tx.commit();
    }
    // Made and upgraded as the owner, so that the tables are the owner's.
    db->execScript(QStringLiteral("SET ROLE %1").arg(quotedName(setup.ownerRole)));
    setup.created = db->tables().isEmpty();
    if (setup.created)
        createSchema(*db);
    else
        upgradeSchema(*db);
    grantClerkRights(*db, setup.schema, setup.ownerRole, setup.clerkRole);
    db->execScript(QStringLiteral("RESET ROLE"));
    setup.version = storedVersion(*db);
    Statement st = db->prepare(QStringLiteral("SELECT 账号 FROM 管理员 WHERE 校验 IS NULL ORDER BY id"));
    while (st.next())
        setup.accountsWithoutCheck << st.text(0);
    return setup;
}

QString setupReport(const ServerSetup& setup)
{
    QString text = QStringLiteral("数据库已设置好：数据在 schema %1（第 %2 版%3），所有者角色 %4，操作员角色 %5。\n"
                                  "给每位操作员建一个登录角色并授予 %5，例如：\n"
                                  "  CREATE ROLE clerk1 LOGIN PASSWORD '…'; GRANT %5 TO clerk1;")
                       .arg(setup.schema)
                       .arg(setup.version)
                       .arg(setup.created ? QStringLiteral("，新建") : QString(), setup.ownerRole, setup.clerkRole);
    if (!setup.accountsWithoutCheck.isEmpty())
        text += QStringLiteral("\n这些账号还没有密码校验值，请尽快各登录一次（登录时生成）：%1")
                    .arg(setup.accountsWithoutCheck.join(QStringLiteral("、")));
    return text;
}

} // namespace kv
