#include "label/printer_send.h"

#include <cups/cups.h>

#include <memory>

namespace auxpad {

namespace {

QString lastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

// A queue by name, through the CUPS destination calls.
Expected<int, PrinterRefusal> sendToQueue(const QByteArray& name, const LabelDocument& document, int copies,
                                   const QByteArray& title)
{
    const std::unique_ptr<cups_dest_t, void (*)(cups_dest_t*)> dest(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr), [](cups_dest_t* d) { cupsFreeDests(1, d); });
    if (!dest)
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 is not there on the CUPS server %2: %3")
                                             .arg(QString::fromUtf8(name), QString::fromUtf8(cupsServer()), lastError()),
                                         cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND});
    const std::unique_ptr<cups_dinfo_t, void (*)(cups_dinfo_t*)> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()),
                                                                      cupsFreeDestInfo);
    if (!info)
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 does not answer: %2").arg(QString::fromUtf8(name), lastError())});
    cups_option_t* options = nullptr;
    const int count = cupsAddOption("copies", QByteArray::number(copies).constData(), 0, &options);
    int job = 0;
    const ipp_status_t created =
        cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest.get(), info.get(), &job, title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (created > IPP_STATUS_OK_CONFLICTING || job <= 0)
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 takes no job: %2").arg(QString::fromUtf8(name), lastError())});
    if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest.get(), info.get(), job, title.constData(), document.format, 0,
                              nullptr, 1)
            != HTTP_STATUS_CONTINUE
        || cupsWriteRequestData(CUPS_HTTP_DEFAULT, document.bytes.constData(), static_cast<size_t>(document.bytes.size()))
               != HTTP_STATUS_CONTINUE
        || cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest.get(), info.get()) > IPP_STATUS_OK_CONFLICTING) {
        const QString why = lastError();
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest.get(), job);
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 did not take the label: %2").arg(QString::fromUtf8(name), why)});
    }
    return job;
}

// A printer by its IPP URI: a Print-Job request on a connection of its own.
Expected<int, PrinterRefusal> sendToUri(const QByteArray& uri, const LabelDocument& document, int copies,
                                 const QByteArray& title)
{
    char scheme[32], user[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri.constData(), scheme, sizeof scheme, user, sizeof user, host,
                        sizeof host, &port, resource, sizeof resource)
        < HTTP_URI_STATUS_OK)
        return unexpected(PrinterRefusal{QStringLiteral("%1 is no IPP URI").arg(QString::fromUtf8(uri)), true});
    const bool tls = qstrcmp(scheme, "ipps") == 0;
    const std::unique_ptr<http_t, void (*)(http_t*)> http(
        httpConnect2(host, port, nullptr, AF_UNSPEC, tls ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED, 1,
                     5000, nullptr),
        httpClose);
    if (!http)
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 does not answer: %2").arg(QString::fromUtf8(uri), lastError())});
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, document.format);
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", copies);
    // Chunked: cupsd reads a request of a length given ahead as a malformed one.
    if (cupsSendRequest(http.get(), request, resource, CUPS_LENGTH_VARIABLE) != HTTP_STATUS_CONTINUE
        || cupsWriteRequestData(http.get(), document.bytes.constData(), static_cast<size_t>(document.bytes.size()))
               != HTTP_STATUS_CONTINUE) {
        ippDelete(request);
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 did not take the label: %2").arg(QString::fromUtf8(uri), lastError())});
    }
    ippDelete(request);
    const std::unique_ptr<ipp_t, void (*)(ipp_t*)> response(cupsGetResponse(http.get(), resource), ippDelete);
    ipp_attribute_t* job = response ? ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING || !job)
        return unexpected(PrinterRefusal{QStringLiteral("the printer %1 takes no job: %2").arg(QString::fromUtf8(uri), lastError())});
    return ippGetInteger(job, 0);
}

} // namespace

Expected<int, PrinterRefusal> sendToPrinter(const QString& printer, const LabelDocument& document, int copies,
                                            const QString& title)
{
    if (printer.startsWith(QLatin1String("ipp://")) || printer.startsWith(QLatin1String("ipps://")))
        return sendToUri(printer.toUtf8(), document, copies, title.toUtf8());
    return sendToQueue(printer.toUtf8(), document, copies, title.toUtf8());
}

} // namespace auxpad
