#pragma once

#include <QVariantList>

#include <optional>
#include <vector>

#include "base/expected.h"
#include "records/label_record.h"

namespace auxpad {

class StoreConnection;

// A journal's labels (labels): one queued, the marks of its state as its machine moves it
// (label/label_spool.h, the one caller), and the list of them: all, those not printed yet
// (queued, handed or held), or those handed.
class LabelTable {
public:
    explicit LabelTable(StoreConnection& store) : store_(store) {}

    Expected<qint64, QString> queue(const LabelRecord& label);
    Expected<void, QString> markHanded(qint64 id, int attempts);
    Expected<void, QString> markPrinted(qint64 id, int jobId);
    Expected<void, QString> markHeld(qint64 id, const QString& reason);
    Expected<void, QString> markFailed(qint64 id, const QString& reason);
    Expected<void, QString> markUnsure(qint64 id, const QString& reason);
    enum class Which { All, Held, Handed };
    Expected<std::vector<LabelRecord>, QString> list(Which which);
    // The newest label of a serial, if it has one.
    Expected<std::optional<LabelRecord>, QString> last(const QString& serial);
    // The state of the label a bring-up asked for, "" for none.
    Expected<QString, QString> stateOf(const QString& bringUp);

private:
    Expected<void, QString> update(qint64 id, const QString& set, const QVariantList& values);

    StoreConnection& store_;
};

} // namespace auxpad
