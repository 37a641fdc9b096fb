#pragma once

#include <QString>

#include <stdexcept>

namespace kv {

// Where the data are: the encrypted file or a PostgreSQL server.
enum class EngineKind { File, Server };

// Why a database failure happened, in the program's own terms, whichever engine met it.
enum class Cause {
    Unknown,
    DiskFull,         // no room left for the data
    ReadOnly,         // the file, its folder or the server takes no writes
    Busy,             // another connection holds the data longer than the program waits
    Conflict,         // two clerks' changes crossed (deadlock, serialization failure)
    Damaged,          // pages of the data are damaged
    Overlong,         // the file holds bytes beyond its last page, which no page of it is
    WrongKey,         // the file does not open with the key (damaged, or another kv.dat)
    CannotOpen,       // the file cannot be opened, the server cannot be reached
    IoError,          // the disk failed while reading or writing the file
    ConnectionLost,   // the server's connection broke off
    PermissionDenied, // the file or the server's role does not allow it
    NewerVersion,     // the data come from a newer version of the program
    Constraint,       // a rule of the schema refused the change
    Duplicate,        // a unique index refused a value that another row has (a number stored twice)
};

// The one error type that commands end in. Its kind says whose fault it is, so that the user
// reads a database failure and a refused input under different captions.
class Error : public std::runtime_error {
public:
    enum class Kind { Database, Input };

    Error(Kind kind, const QString& message);
    Kind kind() const { return m_kind; }
    // The bare message: the engine's own text for database failures, the refusal for input.
    QString message() const { return m_message; }
    // What the user reads: for a database failure its cause in Chinese, naming the file or the
    // server, with the engine's text as a second line; for input the refusal itself.
    virtual QString userText() const;

private:
    Kind m_kind;
    QString m_message;
};

// A statement, a connection or a database file failed; carries the database's own message, the
// cause and where the data are.
class DbError : public Error {
public:
    explicit DbError(const QString& message, Cause cause = Cause::Unknown, EngineKind engine = EngineKind::File,
                     const QString& where = {}, int code = 0)
        : Error(Kind::Database, message), m_cause(cause), m_engine(engine), m_where(where), m_code(code)
    {
    }
    Cause cause() const { return m_cause; }
    EngineKind engine() const { return m_engine; }
    // The file's path or the server's host, port and database; empty when not known.
    const QString& where() const { return m_where; }
    // The engine's own result code where it has one (the file engine's), 0 otherwise.
    int code() const { return m_code; }
    QString userText() const override;
    // The same failure told with another message (the engine's text kept inside it by the caller).
    DbError retold(const QString& message) const { return DbError(message, m_cause, m_engine, m_where, m_code); }

private:
    Cause m_cause;
    EngineKind m_engine;
    QString m_where;
    int m_code;
};

// A typed value that cannot be used (not a number, a date that cannot be read).
class InputError : public Error {
public:
    explicit InputError(const QString& message) : Error(Kind::Input, message) {}
};

// The cause in Chinese for the user, naming the file or the server; empty for a cause the user
// cannot act on (the message then says it all).
QString causeText(Cause cause, EngineKind engine, const QString& where);

// The cause of a file failure in Chinese, from the system's error number, followed by the
// system's own text; never empty.
QString fileFailureCause(int errorNumber);

} // namespace kv
