#include "data/PqLibrary.h"

#include "data/Error.h"
#include "data/LateLibrary.h"

namespace kv {

const PqFunctions* loadPq(QString* error)
{
    return lateTable<PqFunctions>(
        KV_LIBPQ_SONAME, QStringLiteral("连接服务器"),
        [](LateLibrary& library, PqFunctions& f) {
            library.resolve(f.PQclear, "PQclear");
            library.resolve(f.PQcmdStatus, "PQcmdStatus");
            library.resolve(f.PQcmdTuples, "PQcmdTuples");
            library.resolve(f.PQconnectdb, "PQconnectdb");
            library.resolve(f.PQconninfoFree, "PQconninfoFree");
            library.resolve(f.PQconninfoParse, "PQconninfoParse");
            library.resolve(f.PQdescribePrepared, "PQdescribePrepared");
            library.resolve(f.PQerrorMessage, "PQerrorMessage");
            library.resolve(f.PQescapeIdentifier, "PQescapeIdentifier");
            library.resolve(f.PQexec, "PQexec");
            library.resolve(f.PQexecParams, "PQexecParams");
            library.resolve(f.PQexecPrepared, "PQexecPrepared");
            library.resolve(f.PQfinish, "PQfinish");
            library.resolve(f.PQfname, "PQfname");
            library.resolve(f.PQfreemem, "PQfreemem");
            library.resolve(f.PQftype, "PQftype");
            library.resolve(f.PQgetResult, "PQgetResult");
            library.resolve(f.PQgetisnull, "PQgetisnull");
            library.resolve(f.PQgetlength, "PQgetlength");
            library.resolve(f.PQgetvalue, "PQgetvalue");
            library.resolve(f.PQnfields, "PQnfields");
            library.resolve(f.PQntuples, "PQntuples");
            library.resolve(f.PQprepare, "PQprepare");
            library.resolve(f.PQputCopyData, "PQputCopyData");
            library.resolve(f.PQputCopyEnd, "PQputCopyEnd");
            library.resolve(f.PQreset, "PQreset");
            library.resolve(f.PQresultErrorField, "PQresultErrorField");
            library.resolve(f.PQresultStatus, "PQresultStatus");
            library.resolve(f.PQsetClientEncoding, "PQsetClientEncoding");
            library.resolve(f.PQsetNoticeProcessor, "PQsetNoticeProcessor");
            library.resolve(f.PQstatus, "PQstatus");
            library.resolve(f.PQtransactionStatus, "PQtransactionStatus");
        },
        error);
}

const PqFunctions& pq()
{
    QString error;
    if (const PqFunctions* f = loadPq(&error))
        return *f;
    throw DbError(error, Cause::CannotOpen, EngineKind::Server);
}

} // namespace kv
