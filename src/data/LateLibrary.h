#pragma once

#include <QLibrary>
#include <QMutex>
#include <QString>

#include <atomic>

namespace kv {

// A library of C functions opened when the program first needs it instead of at start-up, so
// that a start which never reaches the server, a workbook or a barcode does not pay for loading
// and binding it. `soname` is the name the linker would have recorded ("libpq.so.5"). Each
// function is looked up by name into a pointer of its own type; a library or a function that is
// missing leaves ok() false and a Chinese reason in errorText(), and nothing is called.
class LateLibrary {
public:
    LateLibrary(const char* soname, QString purpose);

    template <typename Function> void resolve(Function*& function, const char* name)
    {
        function = reinterpret_cast<Function*>(symbol(name));
    }

    bool ok() const { return m_error.isEmpty(); }
    const QString& errorText() const { return m_error; }

private:
    QFunctionPointer symbol(const char* name);

    QLibrary m_library;
    QString m_purpose;
    QString m_error;
};

// The table of a late library's functions, filled by `bind(library, table)` the first time it is
// asked for and kept for the life of the program, as the library is. Null, with the reason in
// *error when given, while the library or one of its functions is missing; asked again, it tries
// again (the library may have been installed since).
template <typename Table, typename Bind>
const Table* lateTable(const char* soname, const QString& purpose, Bind bind, QString* error)
{
    static std::atomic<const Table*> loaded = nullptr; // read at every call into the library
    static QMutex mutex;
    if (const Table* table = loaded.load(std::memory_order_acquire))
        return table;
    const QMutexLocker lock(&mutex);
    if (!loaded.load(std::memory_order_relaxed)) {
        LateLibrary library(soname, purpose);
        Table table;
        bind(library, table);
        if (!library.ok()) {
            if (error)
                *error = library.errorText();
            return nullptr;
        }
        loaded.store(new Table(table), std::memory_order_release);
    }
    return loaded.load(std::memory_order_relaxed);
}

} // namespace kv
