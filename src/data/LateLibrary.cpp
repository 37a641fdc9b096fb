#include "data/LateLibrary.h"

#include <utility>

namespace kv {

LateLibrary::LateLibrary(const char* soname, QString purpose)
    : m_library(QString::fromUtf8(soname)), m_purpose(std::move(purpose))
{
    if (!m_library.load())
        m_error = QStringLiteral("无法载入%1所需的程序库 %2：%3")
                      .arg(m_purpose, QString::fromUtf8(soname), m_library.errorString());
}

QFunctionPointer LateLibrary::symbol(const char* name)
{
    if (!ok())
        return nullptr;
    const QFunctionPointer found = m_library.resolve(name);
    if (!found)
        m_error = QStringLiteral("程序库 %1 缺少%2所需的函数 %3，请安装与本程序相配的版本。")
                      .arg(m_library.fileName(), m_purpose, QString::fromUtf8(name));
    return found;
}

} // namespace kv
