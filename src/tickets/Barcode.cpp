#include "tickets/Barcode.h"

#include "data/Error.h"

#include <zint.h>

#include <memory>

namespace kv {

BarcodeBars code128Bars(const QString& text, double height)
{
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol)
        throw InputError(QStringLiteral("条码生成失败：内存不足。"));
    symbol->symbology = BARCODE_CODE128;
    symbol->height = float(height);
    symbol->show_hrt = 0; // the number is written under the bars by the page itself
    symbol->output_options |= BARCODE_QUIET_ZONES;
    const QByteArray data = text.toUtf8();
    const int result = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()), 0);
    if (result >= ZINT_ERROR || !symbol->vector)
        throw InputError(QStringLiteral("条码生成失败：%1").arg(QString::fromUtf8(symbol->errtxt)));
    BarcodeBars out;
    out.size = QSizeF(symbol->vector->width, symbol->vector->height);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        out.bars << QRectF(r->x, r->y, r->width, r->height);
    return out;
}

} // namespace kv
