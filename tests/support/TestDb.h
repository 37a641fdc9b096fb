#pragma once

#include "FixedClock.h"
#include "data/AppContext.h"

#include <QTemporaryDir>

#include <memory>

// A fresh application directory with key material, help page and a new database, connected.
class TestApp {
public:
    explicit TestApp(QDate today = QDate(2008, 5, 17));

    kv::AppContext& ctx() { return *m_ctx; }
    kv::Database& db() { return m_ctx->conn(); }
    FixedClock& clock() { return *m_clock; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<FixedClock> m_clock;
    std::unique_ptr<kv::AppContext> m_ctx;
};

// Lays out an application directory: the test kv.dat and the help page from the source tree.
void layOutAppDir(const QString& dir);
