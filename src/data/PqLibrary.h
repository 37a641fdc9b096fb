#pragma once

#include <libpq-fe.h>

#include <QString>

namespace kv {

// The functions of the server's client library (libpq) that the server engine calls, opened at
// the first use of a server rather than at every start of the program.
struct PqFunctions {
    decltype(&::PQclear) PQclear = nullptr;
    decltype(&::PQcmdStatus) PQcmdStatus = nullptr;
    decltype(&::PQcmdTuples) PQcmdTuples = nullptr;
    decltype(&::PQconnectdb) PQconnectdb = nullptr;
    decltype(&::PQconninfoFree) PQconninfoFree = nullptr;
    decltype(&::PQconninfoParse) PQconninfoParse = nullptr;
    decltype(&::PQdescribePrepared) PQdescribePrepared = nullptr;
    decltype(&::PQerrorMessage) PQerrorMessage = nullptr;
    decltype(&::PQescapeIdentifier) PQescapeIdentifier = nullptr;
    decltype(&::PQexec) PQexec = nullptr;
    decltype(&::PQexecParams) PQexecParams = nullptr;
    decltype(&::PQexecPrepared) PQexecPrepared = nullptr;
    decltype(&::PQfinish) PQfinish = nullptr;
    decltype(&::PQfname) PQfname = nullptr;
    decltype(&::PQfreemem) PQfreemem = nullptr;
    decltype(&::PQftype) PQftype = nullptr;
    decltype(&::PQgetResult) PQgetResult = nullptr;
    decltype(&::PQgetisnull) PQgetisnull = nullptr;
    decltype(&::PQgetlength) PQgetlength = nullptr;
    decltype(&::PQgetvalue) PQgetvalue = nullptr;
    decltype(&::PQnfields) PQnfields = nullptr;
    decltype(&::PQntuples) PQntuples = nullptr;
    decltype(&::PQprepare) PQprepare = nullptr;
    decltype(&::PQputCopyData) PQputCopyData = nullptr;
    decltype(&::PQputCopyEnd) PQputCopyEnd = nullptr;
    decltype(&::PQreset) PQreset = nullptr;
    decltype(&::PQresultErrorField) PQresultErrorField = nullptr;
    decltype(&::PQresultStatus) PQresultStatus = nullptr;
    decltype(&::PQsetClientEncoding) PQsetClientEncoding = nullptr;
    decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor = nullptr;
    decltype(&::PQstatus) PQstatus = nullptr;
    decltype(&::PQtransactionStatus) PQtransactionStatus = nullptr;
};

// The library's functions; throws DbError (the server cannot be reached) when the library or one
// of its functions is missing.
const PqFunctions& pq();
// The same without throwing: null with the reason in *error (when given).
const PqFunctions* loadPq(QString* error);

} // namespace kv
