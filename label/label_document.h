#pragma once

#include <QByteArray>

#include "label/label_settings.h"

namespace auxpad {

// A label ready for the printer: a PDF page laid out here, or a filled ZPL template
// that goes to the printer untouched.
struct LabelDocument {
    QByteArray bytes;
    const char* format = nullptr; // its MIME type, as CUPS takes it
};

inline constexpr const char* kPdfFormat = "application/pdf";
inline constexpr const char* kRawFormat = "application/vnd.cups-raw";

// The label of `settings` with `values`, or why it cannot be made (the symbol cannot hold
// its text; a value would be read by the printer as a ZPL command). Needs a
// QGuiApplication for its fonts; any thread.
Expected<LabelDocument, QString> makeLabelDocument(const LabelSettings& settings, const LabelValues& values);

} // namespace auxpad
