#include "TestDb.h"

#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QSettings>

void layOutAppDir(const QString& dir)
{
    QDir().mkpath(dir + QStringLiteral("/help"));
    QDir().mkpath(dir + QStringLiteral("/databak"));
    // A fixed test key, so that databases made by one test open in another.
    QFile::copy(QStringLiteral(KV_SOURCE_DIR "/tests/support/kv.dat"), dir + QStringLiteral("/kv.dat"));
    QFile::copy(QStringLiteral(KV_SOURCE_DIR "/resources/help/index.html"), dir + QStringLiteral("/help/index.html"));
}

TestApp::TestApp(QDate today) : m_clock(std::make_shared<FixedClock>(today))
{
    layOutAppDir(m_dir.path());
    // Window places and other user settings go to this directory, never to the user's own.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, m_dir.filePath(QStringLiteral("settings")));
    m_ctx = std::make_unique<kv::AppContext>(m_dir.path(), m_clock);
    kv::createDatabaseIfMissing(m_ctx->paths().database(), kv::dbPass(m_ctx->paths().keyFile()));
    m_ctx->reconnect();
}
