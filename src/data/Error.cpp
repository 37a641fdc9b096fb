#include "data/Error.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace kv {

Error::Error(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
{
}

QString Error::userText() const
{
    return m_message;
}

QString DbError::userText() const
{
    const QString cause = causeText(m_cause, m_engine, m_where);
    if (cause.isEmpty() || message().contains(cause))
        return message();
    return cause + u'\n' + message();
}

namespace {
QString fileCause(Cause cause, const QString& file)
{
    switch (cause) {
    case Cause::DiskFull: return QStringLiteral("磁盘空间不足，数据没有保存。请腾出磁盘空间后再试。");
    case Cause::ReadOnly:
        return QStringLiteral("数据文件%1或它所在的文件夹是只读的，数据没有保存。请检查文件和文件夹的写入权限。").arg(file);
    case Cause::Busy: return QStringLiteral("数据文件%1正被另一个程序使用或锁定，请稍后再试，或者关闭那个程序。").arg(file);
    case Cause::Conflict:
        return QStringLiteral("另一位操作员同时在改同样的数据，几次重试都没有成功，数据没有保存。请稍后重新保存。");
    case Cause::Damaged:
        return QStringLiteral("数据文件已损坏，请从备份恢复。") +
               (file.isEmpty() ? QString() : QStringLiteral("（文件：%1）").arg(file.trimmed()));
    case Cause::Overlong:
        return QStringLiteral("数据文件%1比其中的数据长：末尾多出的字节不是整页，不属于任何数据。"
                              "这不像程序中断留下的，可能被别的程序改动过。请先把这个文件另外复制一份留底，"
                              "然后从备份恢复。")
            .arg(file);
    case Cause::WrongKey:
        return QStringLiteral("数据文件打不开：密钥文件 kv.dat 与它不配套（来自另一套安装，或者被改动过），"
                              "或者数据文件的开头已损坏。") +
               (file.isEmpty() ? QString() : QStringLiteral("（文件：%1）").arg(file.trimmed()));
    case Cause::CannotOpen:
        return QStringLiteral("无法打开数据文件%1或它的临时文件：文件不存在，或者文件夹是只读的。").arg(file);
    case Cause::IoError: return QStringLiteral("读写数据文件%1时出错（磁盘故障或磁盘已满）。").arg(file);
    case Cause::PermissionDenied: return QStringLiteral("没有读写数据文件%1的权限。").arg(file);
    case Cause::Constraint:
    case Cause::Duplicate: return QStringLiteral("这项改动与已有的数据冲突（例如编号重复），没有保存。");
    case Cause::ConnectionLost:
    case Cause::NewerVersion:
    case Cause::Unknown: return {};
    }
    return {};
}

QString serverCause(Cause cause, const QString& server)
{
    switch (cause) {
    case Cause::DiskFull:
        return QStringLiteral("数据库服务器%1的磁盘空间不足，数据没有保存。请让管理服务器的人腾出空间后再试。").arg(server);
    case Cause::ReadOnly: return QStringLiteral("数据库服务器%1现在只能读、不能写，数据没有保存。").arg(server);
    case Cause::Busy: return QStringLiteral("数据库服务器%1正忙，等了太久，数据没有保存。请稍后再试。").arg(server);
    case Cause::Conflict:
        return QStringLiteral("另一位操作员同时在改同样的数据，几次重试都没有成功，数据没有保存。请稍后重新保存。");
    case Cause::Damaged:
    case Cause::Overlong:
    case Cause::WrongKey:
        return QStringLiteral("数据库服务器%1上的数据已损坏，请让管理服务器的人检查，或者从备份恢复。").arg(server);
    case Cause::CannotOpen: return QStringLiteral("无法连接数据库服务器%1。").arg(server);
    case Cause::IoError:
    case Cause::ConnectionLost: return QStringLiteral("与数据库服务器的连接已断开，本次保存未完成，请重新保存。");
    case Cause::PermissionDenied:
        return QStringLiteral("数据库服务器%1拒绝了这项操作：登录所用的数据库角色没有这项权限。"
                              "请让管理服务器的人检查角色的权限。")
            .arg(server);
    case Cause::Constraint:
    case Cause::Duplicate: return QStringLiteral("这项改动与已有的数据冲突（例如编号重复），没有保存。");
    case Cause::NewerVersion:
    case Cause::Unknown: return {};
    }
    return {};
}
} // namespace

QString causeText(Cause cause, EngineKind engine, const QString& where)
{
    const QString named = where.isEmpty() ? QString() : u' ' + QDir::toNativeSeparators(where) + u' ';
    return engine == EngineKind::Server ? serverCause(cause, named) : fileCause(cause, named);
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
