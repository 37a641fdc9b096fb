#pragma once

#include "data/AppPaths.h"
#include "data/Clock.h"
#include "data/Database.h"
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
    // returned; `fileRefused` tells a file of a newer version or a failed upgrade from a file
    // that cannot be opened at all. The caller shows it and goes on.
    bool reconnect(QString* error = nullptr, bool* fileRefused = nullptr);
    // Closes the connection (backup and restore copy the file meanwhile).
    void disconnect() { m_conn.reset(); }
    bool isConnected() const { return m_conn != nullptr; }

    // The shared connection; throws DbError when there is none, so that a command run without
    // a database ends in a message, not a crash.
    Database& conn();

    // The schema steps that opening a file applies; tests give a history of their own.
    SchemaSteps schema() const { return m_schema; }
    void setSchema(SchemaSteps steps) { m_schema = steps; }

    // Folder to which prints go as PDF files instead of the printer (tests, --print-to-pdf).
    QString printToPdfDir;

private:
    AppPaths m_paths;
    std::shared_ptr<Clock> m_clock;
    std::unique_ptr<Database> m_conn;
    SchemaSteps m_schema = programSchema();
};

} // namespace kv
