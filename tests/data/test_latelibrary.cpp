// Libraries opened when first used: a missing library or function is told in Chinese, calls
// nothing and is tried again later; a present one is called through its table.
#include "data/LateLibrary.h"

#include <QTest>

#include <cstring>

using namespace kv;

namespace {
struct CFunctions {
    decltype(&std::strlen) length = nullptr;
    decltype(&std::strcmp) compare = nullptr;
};

int attempts = 0;

const CFunctions* cLibrary(const char* soname, const char* compareName, QString* error)
{
    return lateTable<CFunctions>(
        soname, QStringLiteral("测试"),
        [compareName](LateLibrary& library, CFunctions& f) {
            ++attempts;
            library.resolve(f.length, "strlen");
            library.resolve(f.compare, compareName);
        },
        error);
}

// Each use of lateTable with a table type of its own keeps its own table.
struct Missing {
    void (*any)() = nullptr;
};
struct Incomplete {
    void (*any)() = nullptr;
};
} // namespace

class TestLateLibrary : public QObject {
    Q_OBJECT
private slots:
    void missingLibraryIsToldAndTriedAgain()
    {
        QString error;
        const auto open = [&] {
            return lateTable<Missing>(
                "libkelvaro-no-such-library.so.0", QStringLiteral("导出工作簿"),
                [](LateLibrary& library, Missing& f) { library.resolve(f.any, "anything"); }, &error);
        };
        QVERIFY(!open());
        QVERIFY2(error.contains(QStringLiteral("无法载入导出工作簿所需的程序库 libkelvaro-no-such-library.so.0")),
                 qPrintable(error));
        error.clear();
        QVERIFY(!open()); // not remembered as missing: installing the library later helps
        QVERIFY(!error.isEmpty());
    }

    void missingFunctionLeavesNoTable()
    {
        QString error;
        const Incomplete* f = lateTable<Incomplete>(
            "libc.so.6", QStringLiteral("生成条码"),
            [](LateLibrary& library, Incomplete& table) { library.resolve(table.any, "kelvaro_no_such_function"); },
            &error);
        QVERIFY(!f);
        QVERIFY2(error.contains(QStringLiteral("libc.so.6")) &&
                     error.contains(QStringLiteral("kelvaro_no_such_function")) &&
                     error.contains(QStringLiteral("生成条码")),
                 qPrintable(error));
    }

    // Opened once, then the same table every time; its functions are the library's.
    void presentLibraryIsOpenedOnceAndCalled()
    {
        QString error;
        const CFunctions* first = cLibrary("libc.so.6", "strcmp", &error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(first->length("计件"), std::size_t(6));
        QVERIFY(first->compare("a", "b") < 0);
        QCOMPARE(cLibrary("libc.so.6", "strcmp", &error), first);
        QCOMPARE(attempts, 1);
    }
};

QTEST_GUILESS_MAIN(TestLateLibrary)
#include "test_latelibrary.moc"
