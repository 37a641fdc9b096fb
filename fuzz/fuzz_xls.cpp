// The .xls path as the program takes it: FreeXL is not safe on malformed files, so the program
// reads them in a reader process. This target is that program: started with --read-workbook it
// is the reader (instrumented too); otherwise each input goes through a reader process, and
// whatever the reader meets, the answer must be whole rows or an error.
#include "FuzzInput.h"
#include "master/ImportReader.h"

#include <cstring>

namespace {
QString self;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (*argc == 3 && std::strcmp((*argv)[1], kv::kReadWorkbookOption) == 0)
        std::exit(kv::runImportReader(QFile::decodeName((*argv)[2])));
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        std::abort();
    self = QFile::decodeName(QByteArray(buffer, n));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8 || std::memcmp(data, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0)
        return -1; // another reader's file: not kept in the corpus
    const kv::SourceSheet sheet = kv::readImportFileApart(fuzzInputFile("xls", data, size), self);
    checkSheet(sheet);
    return 0;
}
