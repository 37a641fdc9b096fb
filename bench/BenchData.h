#pragma once

#include <QString>

namespace kv {
class AppContext;
}

namespace kv::bench {

struct BenchDataShape {
    int employees = 2000;
    int months = 12;             // the year 2008
    int linesPerMonth = 100;     // production lines per employee and month
    int deductionsPerMonth = 10; // deduction lines per employee and month
    int products = 0;            // products P00001 … with descriptions and pinyin codes
};

// The application directory of a generated database of the given shape; made on first use and
// kept in the temporary folder, so later runs start at once. Employee "E00001" has one month
// (2008-5) of 300 production and 30 deduction lines on top.
QString benchAppDir(const BenchDataShape& shape = {});

// A connected context over the database of the shape, made once per process and shape.
AppContext& benchContext(const BenchDataShape& shape = {});

} // namespace kv::bench
