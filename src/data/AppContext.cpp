#include "data/AppContext.h"

namespace kv {

AppContext::AppContext(const QString& appDir, std::shared_ptr<Clock> clock)
    : AppContext(AppPaths{appDir, appDir}, std::move(clock))
{
}

AppContext::AppContext(AppPaths paths, std::shared_ptr<Clock> clock)
    : m_paths(std::move(paths)), m_clock(std::move(clock))
{
}

bool AppContext::reconnect(QString* error, bool* fileRefused)
{
    m_conn.reset();
    bool opened = false;
    try {
        auto conn = std::make_unique<Database>(m_paths.database(), dbPass(m_paths.keyFile()));
        opened = true;
        upgradeSchema(*conn, m_schema);
        conn->setActor(account);
        m_conn = std::move(conn);
        return true;
    } catch (const DbError& e) {
        if (error)
            *error = e.message();
        if (fileRefused)
            *fileRefused = opened;
        return false;
    }
}

void AppContext::setAccount(const QString& name)
{
    account = name;
    if (m_conn)
        m_conn->setActor(name);
}

Database& AppContext::conn()
{
    if (!m_conn)
        throw DbError(QStringLiteral("数据库未连接。"));
    return *m_conn;
}

} // namespace kv
