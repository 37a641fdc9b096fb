#pragma once

#include <QString>

#include <stdexcept>

namespace kv {

// The one error type that commands end in. Its kind says whose fault it is, so that the user
// reads a database failure and a refused input under different captions.
class Error : public std::runtime_error {
public:
    enum class Kind { Database, Input };

    Error(Kind kind, const QString& message, int code = 0);
    Kind kind() const { return m_kind; }
    // The bare message: the engine's own text for database failures, the refusal for input.
    QString message() const { return m_message; }
    // The engine's result code for database failures, 0 otherwise.
    int code() const { return m_code; }
    // What the user reads: for a database failure its cause in Chinese with the engine's text
    // as a second line; for input the refusal itself.
    QString userText() const;

private:
    Kind m_kind;
    QString m_message;
    int m_code;
};

// A statement, a connection or a database file failed; carries the database's own message.
class DbError : public Error {
public:
    DbError(const QString& message, int code = 0) : Error(Kind::Database, message, code) {}
};

// A typed value that cannot be used (not a number, a date that cannot be read).
class InputError : public Error {
public:
    explicit InputError(const QString& message) : Error(Kind::Input, message) {}
};

// The cause of a database failure in Chinese, from the engine's result code (primary or
// extended); empty when the code names no cause the user can act on.
QString dbFailureCause(int code);

// The cause of a file failure in Chinese, from the system's error number, followed by the
// system's own text; never empty.
QString fileFailureCause(int errorNumber);

} // namespace kv
