#include "master/ImportReader.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif

namespace kv {

namespace {

// The answer on the pipe: a header, the sheet, and a trailer that shows it arrived whole.
constexpr quint32 answerStart = 0x4B565231; // "KVR1"
constexpr quint32 answerEnd = 0x454E4421;   // "END!"

void setLimit(int resource, rlim_t value)
{
    rlimit limit{value, value};
    setrlimit(resource, &limit);
}

} // namespace

QString readerFailedMessage()
{
    return QStringLiteral("文件已损坏或格式不受支持，未导入任何数据。");
}

QString readerCancelledMessage()
{
    return QStringLiteral("已停止读取文件，未导入任何数据。");
}

int runImportReader(const QString& path)
{
    setLimit(RLIMIT_CPU, ReaderLimits::cpuSeconds);
    setLimit(RLIMIT_CORE, 0);
#ifndef KV_ADDRESS_SANITIZER
    // AddressSanitizer reserves terabytes of address space for itself; it has its own limits.
    setLimit(RLIMIT_AS, ReaderLimits::memoryBytes);
#endif
    const SourceSheet sheet = readImportFile(path);

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    QDataStream stream(&out);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << answerStart << sheet.error << qint64(sheet.rows.size());
    for (const SourceRow& row : sheet.rows)
        stream << qint32(row.line) << row.cells << row.longNumbers;
    stream << answerEnd;
    out.close();
    return stream.status() == QDataStream::Ok && std::fflush(stdout) == 0 ? 0 : 1;
}

SourceSheet readImportFileApart(const QString& path, const QString& program, const std::function<bool()>& keepWaiting)
{
    SourceSheet failed{{}, readerFailedMessage()};
    QProcess reader;
    reader.setProgram(program);
    reader.setArguments({QString::fromLatin1(kReadWorkbookOption), path});
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(ReaderLimits::waitSeconds * 1000))
        return failed;
    QElapsedTimer waited;
    waited.start();
    while (!reader.waitForFinished(100)) {
        const bool cancelled = keepWaiting && !keepWaiting();
        if (cancelled || waited.elapsed() > qint64(ReaderLimits::waitSeconds) * 1000) {
            reader.kill();
            reader.waitForFinished(5000);
            return cancelled ? SourceSheet{{}, readerCancelledMessage()} : failed;
        }
    }
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return failed;

    const QByteArray answer = reader.readAllStandardOutput();
    QDataStream stream(answer);
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 start = 0;
    qint64 count = 0;
    SourceSheet sheet;
    stream >> start >> sheet.error >> count;
    if (stream.status() != QDataStream::Ok || start != answerStart || count < 0 || count > ImportLimits::maxSheetRows)
        return failed;
    sheet.rows.reserve(qsizetype(count));
    for (qint64 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        qint32 line = 0;
        SourceRow row;
        stream >> line >> row.cells >> row.longNumbers;
        row.line = line;
        sheet.rows.append(std::move(row));
    }
    quint32 end = 0;
    stream >> end;
    if (stream.status() != QDataStream::Ok || end != answerEnd || !stream.atEnd())
        return failed;
    return sheet;
}

} // namespace kv
