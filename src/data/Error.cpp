#include "data/Error.h"

#include <sqlcipher/sqlite3.h>

#include <cerrno>
#include <cstring>

namespace kv {

Error::Error(Kind kind, const QString& message, int code)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message), m_code(code)
{
}

QString Error::userText() const
{
    if (m_kind == Kind::Input)
        return m_message;
    const QString cause = dbFailureCause(m_code);
    if (cause.isEmpty() || m_message.contains(cause))
        return m_message;
    return cause + u'\n' + m_message;
}

QString dbFailureCause(int code)
{
    switch (code & 0xff) {
    case SQLITE_FULL: return QStringLiteral("磁盘空间不足，数据没有保存。请腾出磁盘空间后再试。");
    case SQLITE_READONLY:
        return QStringLiteral("数据文件或它所在的文件夹是只读的，数据没有保存。请检查文件和文件夹的写入权限。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("数据文件正被另一个程序使用或锁定，请关闭那个程序后再试。");
    case SQLITE_CORRUPT: return QStringLiteral("数据文件已损坏，请从备份恢复。");
    case SQLITE_NOTADB:
        return QStringLiteral("数据文件已损坏，请从备份恢复。（换过 kv.dat 时，也可能是它与数据文件不配套。）");
    case SQLITE_CANTOPEN: return QStringLiteral("无法打开数据文件或它的临时文件：文件不存在，或者文件夹是只读的。");
    case SQLITE_IOERR: return QStringLiteral("读写数据文件时出错（磁盘故障或磁盘已满）。");
    default: return {};
    }
}

QString fileFailureCause(int errorNumber)
{
    QString cause;
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT: cause = QStringLiteral("磁盘空间不足，请腾出磁盘空间后再试。"); break;
    case EROFS:
    case EACCES:
    case EPERM: cause = QStringLiteral("文件或文件夹是只读的，或者没有写入权限。"); break;
    case EFBIG: cause = QStringLiteral("文件超出了系统允许的大小。"); break;
    case ENOENT: cause = QStringLiteral("文件或文件夹不存在。"); break;
    case EIO: cause = QStringLiteral("磁盘读写出错。"); break;
    default: cause = QStringLiteral("文件操作失败。"); break;
    }
    return cause + u'\n' + QString::fromLocal8Bit(std::strerror(errorNumber));
}

} // namespace kv
