#include "data/ServerSetup.h"

#include "data/Accounts.h"
#include "data/Database.h"
#include "data/Passwords.h"
#include "data/PgEngine.h"
#include "data/Schema.h"
#include "data/ServerRules.h"
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

// Tables a clerk's role only reads: the log, the closed months and the settings are written
// through the server's functions (ServerRules.h), 月度合计 by its triggers, the accounts through
// their function.
const QStringList kReadOnly{QStringLiteral("操作日志"), QStringLiteral("月结"), QStringLiteral("月度合计"),
                            QStringLiteral("kelvaro_meta"), QStringLiteral("管理员")};
// Tables a clerk's role only adds to: a closed month's snapshot is written once, at the closing.
const QStringList kAppendOnly{QStringLiteral("月结明细")};

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

// Functions, trigger and grants, made by the owner role in its own schema.
void grantClerkRights(Database& db, const QString& schema, const QString& owner, const QString& clerk)
{
    Transaction tx(db);
    db.scalar(QStringLiteral("SELECT set_config('search_path', ?, true)"),
              {quotedName(schema) + QStringLiteral(", pg_temp")});
    installServerRules(db, owner);

    const QString c = quotedName(clerk);
    QStringList work;
    for (const QString& table : tableNames(TableRole::Data))
        if (!kReadOnly.contains(table) && !kAppendOnly.contains(table))
            work << quotedName(table);
    QStringList readOnly;
    for (const QString& table : kReadOnly)
        readOnly << quotedName(table);
    // Whatever an earlier setup granted is taken back first, so that a run gives exactly these.
    db.execScript(QStringLiteral(R"SQL(
REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA %1 FROM PUBLIC, %2;
GRANT USAGE ON SCHEMA %1 TO %2;
GRANT SELECT, INSERT, UPDATE, DELETE ON %3 TO %2;
GRANT SELECT ON %4 TO %2;
GRANT SELECT, INSERT ON %6 TO %2;
GRANT EXECUTE ON FUNCTION %5 TO %2;
)SQL")
                      .arg(quotedName(schema), c, work.join(QStringLiteral(", ")), readOnly.join(QStringLiteral(", ")),
                           clerkFunctions(), quotedName(kAppendOnly.join(QString()))));
    tx.commit();
}
} // namespace

namespace {
// Role names carry the database and the schema they serve, so that no role of one database's
// clerks reaches another's; the server keeps names to 63 bytes.
QString roleName(Database& db, const QString& schema, const QString& kind)
{
    QString name =
        QStringLiteral("%1_%2_%3").arg(db.scalar(QStringLiteral("SELECT current_database()")).toString(), schema, kind);
    if (name.toUtf8().size() > 63)
        throw DbError(QStringLiteral("数据库名和 schema 名太长，角色名“%1”超过了服务器允许的 63 个字节。"
                                     "请用短一些的数据库名或 schema 名。")
                          .arg(name),
                      Cause::Constraint, EngineKind::Server, db.location());
    return name;
}

void requireSuperuser(Database& db)
{
    if (!db.scalar(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = current_user")).toBool())
        throw DbError(QStringLiteral("设置数据库要以服务器的超级用户（例如 postgres）连接，现在连接所用的角色不是。"),
                      Cause::PermissionDenied, EngineKind::Server, db.location());
}

// The clerk role of a setup before role names carried the database (<schema>_clerk): it may serve
// another database of the server too, so it keeps no right here; its members are named.
QStringList retireSchemaOnlyClerk(Database& db, const QString& schema, QString* retired)
{
    const QString old = schema + QStringLiteral("_clerk");
    if (!roleExists(db, old))
        return {};
    db.execScript(QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA %1 FROM %2; "
                                 "REVOKE ALL ON ALL FUNCTIONS IN SCHEMA %1 FROM %2; REVOKE ALL ON SCHEMA %1 FROM %2")
                      .arg(quotedName(schema), quotedName(old)));
    *retired = old;
    QStringList members;
    Statement st =
        db.prepare(QStringLiteral("SELECT m.rolname FROM pg_auth_members a JOIN pg_roles r ON r.oid = a.roleid "
                                  "JOIN pg_roles m ON m.oid = a.member WHERE r.rolname = ? ORDER BY 1"));
    st.bindAll({old});
    while (st.next())
        members << st.text(0);
    return members;
}

// The password the prompt gives, refused when there is none.
QString askedPassword(const PasswordPrompt& ask)
{
    QString password = ask ? ask() : QString();
    if (password.isEmpty())
        throw InputError(QStringLiteral("超级管理员的密码不能为空，数据库没有设置。"));
    return password;
}

// The super administrator's password of a new database, and its check value.
void setSuperAdministratorPassword(Database& db, const QString& password)
{
    db.exec(QStringLiteral("UPDATE 管理员 SET 密码 = ?, 校验 = ? WHERE id = ?"),
            {hashPassword(password), makePasswordCheck(password), kSuperAdministratorId});
}

// An upgraded super administrator without a check value gets it from its password, which must be
// the stored one.
void giveSuperAdministratorCheck(Database& db, const PasswordPrompt& ask)
{
    const QString password = askedPassword(ask);
    if (!superAdministratorPasswordFits(db, password))
        throw InputError(QStringLiteral("超级管理员密码不正确！数据库的其余设置已完成，超级管理员仍没有密码校验值。"));
    db.exec(QStringLiteral("UPDATE 管理员 SET 校验 = ? WHERE id = ? AND 校验 IS NULL"),
            {makePasswordCheck(password), kSuperAdministratorId});
}
} // namespace

ServerSetup setUpServer(const QString& connection, const PasswordPrompt& superAdministratorPassword)
{
    std::unique_ptr<Database> db = Database::openServer(connection);
    requireSuperuser(*db);
    ServerSetup setup;
    setup.schema = serverSchema(connection);
    setup.ownerRole = roleName(*db, setup.schema, QStringLiteral("owner"));
    setup.clerkRole = roleName(*db, setup.schema, QStringLiteral("clerk"));
    // A new database starts with the password the owner gives, never a default one: asked before
    // anything is made.
    setup.created = db->tables().isEmpty();
    const QString newPassword = setup.created ? askedPassword(superAdministratorPassword) : QString();
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
    if (setup.created) {
        // Before any clerk's role is granted anything: nobody logs in with the default password.
        createSchema(*db);
        setSuperAdministratorPassword(*db, newPassword);
    } else
        upgradeSchema(*db);
    grantClerkRights(*db, setup.schema, setup.ownerRole, setup.clerkRole);
    db->execScript(QStringLiteral("RESET ROLE"));
    {
        Transaction tx(*db);
        setup.formerClerkMembers = retireSchemaOnlyClerk(*db, setup.schema, &setup.formerClerkRole);
        tx.commit();
    }
    setup.version = storedVersion(*db);
    if (db->scalar(QStringLiteral("SELECT count(*) FROM 管理员 WHERE id = ? AND 校验 IS NULL"), {kSuperAdministratorId})
            .toInt() > 0)
        giveSuperAdministratorCheck(*db, superAdministratorPassword);
    Statement st = db->prepare(QStringLiteral("SELECT 账号 FROM 管理员 WHERE 校验 IS NULL ORDER BY id"));
    while (st.next())
        setup.accountsWithoutCheck << st.text(0);
    return setup;
}

QString addClerk(const QString& connection, const QString& login, const PasswordPrompt& password)
{
    std::unique_ptr<Database> db = Database::openServer(connection);
    requireSuperuser(*db);
    const QString schema = serverSchema(connection);
    const QString clerk = roleName(*db, schema, QStringLiteral("clerk"));
    if (!roleExists(*db, clerk))
        throw InputError(
            QStringLiteral("这个数据库还没有为操作员设置好（没有角色 %1），请先运行 kelvaro --setup-server。")
                .arg(clerk));
    const QString name = login.trimmed();
    if (name.isEmpty())
        throw InputError(QStringLiteral("操作员的登录角色名不能为空。"));
    if (db->scalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = ? AND (rolsuper OR NOT rolcanlogin)"),
                   {name})
            .toInt() > 0)
        throw InputError(QStringLiteral("角色 %1 是超级用户或不能登录的角色，不能用作操作员。").arg(name));
    const bool exists = roleExists(*db, name);
    QString typed;
    if (!exists) {
        typed = password ? password() : QString();
        if (typed.isEmpty())
            throw InputError(QStringLiteral("操作员的登录密码不能为空。"));
    }
    Transaction tx(*db);
    if (!exists) {
        // The password is bound, never joined into the statement's text.
        db->scalar(QStringLiteral(
                       "SELECT set_config('kelvaro.new_role', ?, true), set_config('kelvaro.new_password', ?, true)"),
                   {name, typed});
        db->execScript(
            QStringLiteral("DO $$BEGIN EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L', "
                           "current_setting('kelvaro.new_role'), current_setting('kelvaro.new_password')); END$$"));
        db->scalar(QStringLiteral("SELECT set_config('kelvaro.new_password', '', true)"));
    }
    db->execScript(QStringLiteral("GRANT %1 TO %2").arg(quotedName(clerk), quotedName(name)));
    tx.commit();
    return exists
               ? QStringLiteral("已有的登录角色 %1 现在是这个数据库的操作员（角色 %2），密码没有改。").arg(name, clerk)
               : QStringLiteral("已建立登录角色 %1，并授予操作员角色 %2。").arg(name, clerk);
}

QString setupReport(const ServerSetup& setup)
{
    QString text = QStringLiteral("数据库已设置好：数据在 schema %1（第 %2 版%3），所有者角色 %4，操作员角色 %5。\n"
                                  "给每位操作员建一个登录角色并授予 %5：\n"
                                  "  kelvaro --setup-server \"…\" --add-clerk 登录名")
                       .arg(setup.schema)
                       .arg(setup.version)
                       .arg(setup.created ? QStringLiteral("，新建") : QString(), setup.ownerRole, setup.clerkRole);
    if (!setup.accountsWithoutCheck.isEmpty())
        text += QStringLiteral(
                    "\n这些账号还没有密码校验值，在服务器上不能使用，直到超级管理员在程序中重新设置它们的密码：%1")
                    .arg(setup.accountsWithoutCheck.join(QStringLiteral("、")));
    if (!setup.formerClerkRole.isEmpty())
        text += QStringLiteral("\n以前的操作员角色 %1 在这个数据库里已没有任何权限（它可能也用于别的数据库）。%2")
                    .arg(setup.formerClerkRole,
                         setup.formerClerkMembers.isEmpty()
                             ? QString()
                             : QStringLiteral("它的成员 %1 要在这个数据库继续工作，请用 --add-clerk 逐个重新授予。")
                                   .arg(setup.formerClerkMembers.join(QStringLiteral("、"))));
    return text;
}

} // namespace kv
