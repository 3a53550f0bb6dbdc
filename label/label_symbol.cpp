#include "label/label_symbol.h"

#include <zint.h>

#include <memory>

namespace auxpad {

Expected<SymbolModules, QString> encodeSymbol(LabelSettings::Symbol symbol, const QByteArray& utf8)
{
    const std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> z(ZBarcode_Create(), ZBarcode_Delete);
    if (!z)
        return unexpected(QStringLiteral("libzint has no memory for a symbol"));
    z->symbology = symbol == LabelSettings::Symbol::Qr ? BARCODE_QRCODE : BARCODE_DATAMATRIX;
    z->input_mode = UNICODE_MODE;
    const int status = ZBarcode_Encode(z.get(), reinterpret_cast<const unsigned char*>(utf8.constData()),
                                       static_cast<int>(utf8.size()));
    if (status >= ZINT_ERROR)
        return unexpected(QStringLiteral("the symbol cannot encode \"%1\": %2")
                              .arg(QString::fromUtf8(utf8), QString::fromLatin1(z->errtxt)));
    SymbolModules out;
    out.width = z->width;
    out.height = z->rows;
    out.dark.resize(static_cast<std::size_t>(out.width * out.height));
    // libzint keeps each row's modules as bits, the first module in the lowest bit.
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.dark[static_cast<std::size_t>(y * out.width + x)] = (z->encoded_data[y][x >> 3] >> (x & 7)) & 1;
    return out;
}

} // namespace auxpad
