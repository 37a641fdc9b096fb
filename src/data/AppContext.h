#pragma once

#include "data/AppPaths.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "data/KeyFile.h"
#include "data/Schema.h"

#include <memory>

namespace kv {

// What every window is given: where the program's files are, the shared connection and today.
class AppContext {
public:
    // One folder for data and read-only files alike.
    explicit AppContext(const QString& appDir, std::shared_ptr<Clock> clock = std::make_shared<Clock>());
    explicit AppContext(AppPaths paths, std::shared_ptr<Clock> clock = std::make_shared<Clock>());

    const AppPaths& paths() const { return m_paths; }
    const Clock& clock() const { return *m_clock; }

    // Replaces the shared connection with a freshly opened one, whose file is first brought to
    // the program's schema version. On failure the connection is left closed and the reason
    // returned (why the file cannot be opened in Chinese, with the engine's text as a second
    // line); `fileRefused` tells a file of a newer version or a failed upgrade from a file
    // that cannot be opened at all. The caller shows it and goes on.
    bool reconnect(QString* error = nullptr, bool* fileRefused = nullptr);
    // Goes on with the data file the start-up opened a moment ago (StartupOutcome::opened) as the
    // shared connection, brought to the schema as reconnect does; the next reconnect keeps it
    // instead of reading kv.dat and opening the file again. False, and nothing kept, when it
    // fails a step of the connect: the next reconnect opens the file and tells why.
    bool adoptConnection(std::unique_ptr<Database> opened);
    // The PostgreSQL server to use instead of the file (a libpq connection string or URI);
    // empty for the file. A server without the program's tables gets them at the first connect.
    const QString& server() const { return m_server; }
    void setServer(const QString& connection) { m_server = connection; }
    bool usesServer() const { return !m_server.isEmpty(); }

    // After a connect: the numbers that the data hold more than once, which the database cannot
    // yet keep apart by itself (duplicateNumbersText); empty when none.
    const QString& duplicateNumbers() const { return m_duplicateNumbers; }

    // Closes the connection (backup and restore copy the file meanwhile).
    void disconnect();
    bool isConnected() const { return m_conn != nullptr; }

    // Whether the data changed during this run: rows written through any connection, or the
    // file replaced (markChanged).
    bool hasChanges() const;
    void markChanged() { m_changed = true; }

    // The shared connection; throws DbError when there is none, so that a command run without
    // a database ends in a message, not a crash.
    Database& conn();
    // Another connection to the same data and for the same session, for work done on a thread
    // of its own while the window keeps the shared one (a connection serves one thread at a
    // time). Opened without upgrading: the shared connection did that. Throws DbError.
    std::unique_ptr<Database> openWorkConnection() const;

    // The schema steps that opening a file applies; tests give a history of their own.
    SchemaSteps schema() const { return m_schema; }
    void setSchema(SchemaSteps steps) { m_schema = steps; }

    // Folder to which prints go as PDF files instead of the printer (tests, --print-to-pdf).
    QString printToPdfDir;
    // The program that reads files for import in a process of its own (started with
    // --read-workbook); empty for this program's own executable. Tests name the built program.
    QString readerProgram;
    // The account logged in: prints name who printed them, the operation log who changed what,
    // and its rights decide what it may change. Nobody before the login.
    const Session& session() const { return m_session; }
    // Sets the session, also for the open connection: every connection works for it.
    void setSession(const Session& session);

private:
    AppPaths m_paths;
    std::shared_ptr<Clock> m_clock;
    std::unique_ptr<Database> m_conn;
    SchemaSteps m_schema = programSchema();
    QString m_server;
    Session m_session;
    QString m_duplicateNumbers;
    bool m_changed = false;
    bool m_keepNextReconnect = false; // the connection was adopted from the start-up

    // What every connect does to a connection just opened: today, the schema, the session.
    void takeUp(Database& conn);
};

// Why changes to the data cannot be saved — the database file or its folder (where the engine
// writes its journal) is read-only — or empty when they can.
QString dataNotWritable(const AppPaths& paths);

} // namespace kv
