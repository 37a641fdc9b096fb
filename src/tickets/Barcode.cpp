#include "tickets/Barcode.h"

#include "data/Error.h"
#include "data/LateLibrary.h"

#include <zint.h>

#include <memory>

namespace kv {

namespace {
// The barcode library (zint), opened at the first barcode rather than at every start.
struct ZintFunctions {
    decltype(&::ZBarcode_Create) create = nullptr;
    decltype(&::ZBarcode_Delete) destroy = nullptr;
    decltype(&::ZBarcode_Encode_and_Buffer_Vector) encode = nullptr;
};

const ZintFunctions& zint()
{
    QString error;
    const ZintFunctions* f = lateTable<ZintFunctions>(
        KV_ZINT_SONAME, QStringLiteral("生成条码"),
        [](LateLibrary& library, ZintFunctions& table) {
            library.resolve(table.create, "ZBarcode_Create");
            library.resolve(table.destroy, "ZBarcode_Delete");
            library.resolve(table.encode, "ZBarcode_Encode_and_Buffer_Vector");
        },
        &error);
    if (!f)
        throw InputError(QStringLiteral("条码生成失败：%1").arg(error));
    return *f;
}
} // namespace

BarcodeBars code128Bars(const QString& text, double height)
{
    const ZintFunctions& z = zint();
    const std::unique_ptr<zint_symbol, decltype(z.destroy)> symbol(z.create(), z.destroy);
    if (!symbol)
        throw InputError(QStringLiteral("条码生成失败：内存不足。"));
    symbol->symbology = BARCODE_CODE128;
    symbol->height = float(height);
    symbol->show_hrt = 0; // the number is written under the bars by the page itself
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray data = text.toUtf8();
    const int result =
        z.encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()), 0);
    if (result >= ZINT_ERROR || !symbol->vector)
        throw InputError(QStringLiteral("条码生成失败：%1").arg(QString::fromUtf8(symbol->errtxt)));
    BarcodeBars out;
    out.size = QSizeF(symbol->vector->width, symbol->vector->height);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        out.bars << QRectF(r->x, r->y, r->width, r->height);
    return out;
}

} // namespace kv
