// The one schema of the records, which the journal, the line's database and the reader
// all open: both kinds of store keep every table, so that a report reads a journal as it
// reads a line's database. The report's indexes are kept only where reports read
// (indexForReports, at the end).
#include "records/store_connection.h"
#include "records/board_rule.h"
#include "records/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <set>

namespace auxpad {

namespace {

constexpr long long kMigrationLock = 5523001; // one process at a time brings a schema up to date

// Each migration brings the schema from its index to the next version. "%ID%" is the
// key column, which the two databases spell differently.
const std::vector<std::vector<QString>> kMigrations = {
    // 1: the board jobs
    {
        "CREATE TABLE board_jobs (id %ID%, started TEXT NOT NULL, finished TEXT, station TEXT NOT NULL, "
        "port TEXT NOT NULL, device TEXT NOT NULL, job TEXT NOT NULL, result TEXT NOT NULL, caption TEXT, "
        "serial TEXT, hardware TEXT, mcusw TEXT, dspsw TEXT, code TEXT, manufacture TEXT, "
        "defaults_used INTEGER NOT NULL DEFAULT 0, disk_file TEXT, disk_size BIGINT, disk_sha256 TEXT, "
        "data_file TEXT, data_size BIGINT, data_sha256 TEXT, tool_version TEXT NOT NULL)",
        "CREATE INDEX board_jobs_started ON board_jobs (started)",
        "CREATE INDEX board_jobs_serial ON board_jobs (serial)",
    },
    // 2: what each download took, the last message, and the process that wrote the record
    {
        "ALTER TABLE board_jobs ADD COLUMN message TEXT",
        "ALTER TABLE board_jobs ADD COLUMN disk_blocks INTEGER",
        "ALTER TABLE board_jobs ADD COLUMN disk_seconds DOUBLE PRECISION",
        "ALTER TABLE board_jobs ADD COLUMN data_blocks INTEGER",
        "ALTER TABLE board_jobs ADD COLUMN data_seconds DOUBLE PRECISION",
        "ALTER TABLE board_jobs ADD COLUMN format_wait_seconds DOUBLE PRECISION",
        "ALTER TABLE board_jobs ADD COLUMN seconds DOUBLE PRECISION",
        "ALTER TABLE board_jobs ADD COLUMN pid BIGINT NOT NULL DEFAULT 0",
        "CREATE INDEX board_jobs_running ON board_jobs (result, station)",
    },
    // 3: the job's own id, so that a record delivered from a station's journal twice, or
    // its start after its end, stays one row with its latest state; and in the journal,
    // the line database a record is held for and how far it was delivered there
    {
        "ALTER TABLE board_jobs ADD COLUMN job_uuid TEXT",
        "ALTER TABLE board_jobs ADD COLUMN revision INTEGER NOT NULL DEFAULT 1",
        "ALTER TABLE board_jobs ADD COLUMN line_db TEXT",
        "ALTER TABLE board_jobs ADD COLUMN delivered INTEGER NOT NULL DEFAULT 0",
        "CREATE UNIQUE INDEX board_jobs_uuid ON board_jobs (job_uuid)",
        "CREATE INDEX board_jobs_held ON board_jobs (line_db) WHERE delivered < revision",
    },
    // 4: a line's recipe and what it set, and the serial numbers the records hand out:
    // each one once, kept as handed out even when it never reached a board
    {
        "ALTER TABLE board_jobs ADD COLUMN recipe TEXT",
        "ALTER TABLE board_jobs ADD COLUMN recipe_sha256 TEXT",
        "ALTER TABLE board_jobs ADD COLUMN serial_source TEXT",
        "ALTER TABLE board_jobs ADD COLUMN readback TEXT",
        "CREATE TABLE serial_reservations (serial TEXT PRIMARY KEY, recipe TEXT, station TEXT NOT NULL, "
        "port TEXT NOT NULL, reserved TEXT NOT NULL, state TEXT NOT NULL)",
    },
    // 5: the report's filters and its summary. Each filter's column first with the start
    // after it, so that a filtered report is read in its order. The summary counts by
    // station and the hour of the start, in the order of an index of just that, with the
    // result and the start along, so that it reads that index alone and sorts nothing.
    {
        "CREATE INDEX board_jobs_station ON board_jobs (station, started, result)",
        "CREATE INDEX board_jobs_hour ON board_jobs (station, substr(started, 1, 13), result, started)",
        "CREATE INDEX board_jobs_job ON board_jobs (job, started)",
        "CREATE INDEX board_jobs_result ON board_jobs (result, started)",
        "CREATE INDEX board_jobs_port ON board_jobs (port, started)",
    },
    // 6: the labels a passed board is given, from queued to printed, so that none is
    // lost when the printer is away and none printed twice unasked
    {
        "CREATE TABLE labels (id %ID%, bring_up TEXT, serial TEXT NOT NULL, data TEXT NOT NULL, recipe TEXT, "
        "printer TEXT NOT NULL, state TEXT NOT NULL, job_id INTEGER NOT NULL DEFAULT 0, reason TEXT, "
        "unsure INTEGER NOT NULL DEFAULT 0, attempts INTEGER NOT NULL DEFAULT 0, reprint_reason TEXT, "
        "queued TEXT NOT NULL, handed TEXT, finished TEXT)",
        "CREATE INDEX labels_serial ON labels (serial, id)",
        "CREATE INDEX labels_state ON labels (state, id)",
    },
    // 7: who ran each job, for which work order, and why an exception was asked for; the
    // order is work_order, as ORDER is SQL's own word. Filtered like the station.
    {
        "ALTER TABLE board_jobs ADD COLUMN operator TEXT",
        "ALTER TABLE board_jobs ADD COLUMN work_order TEXT",
        "ALTER TABLE board_jobs ADD COLUMN reason TEXT",
        "CREATE INDEX board_jobs_operator ON board_jobs (operator, started)",
        "CREATE INDEX board_jobs_work_order ON board_jobs (work_order, started)",
    },
    // 8: serial leases. In the line's database, a number leased to a station is a
    // reservation of that station in the state "leased". In a station's journal, the
    // numbers leased to it, each with its state, delivered to the line's database as the
    // records are (a revision and how far it was delivered).
    {
        "CREATE TABLE serial_leases (line_db TEXT NOT NULL, serial TEXT NOT NULL, recipe TEXT, station TEXT NOT NULL, "
        "port TEXT NOT NULL DEFAULT '', taken TEXT, state TEXT NOT NULL, revision INTEGER NOT NULL DEFAULT 1, "
        "delivered INTEGER NOT NULL DEFAULT 1, PRIMARY KEY (line_db, serial))",
        "CREATE INDEX serial_reservations_station ON serial_reservations (station, state, serial)",
    },
    // 9: every store's own identity, made when it is: a journal's is what holds a lease,
    // whatever its station is called. In the line's database, the journal each number is
    // leased to, and the one that wrote it to a board, which must be that one; the
    // journals that delivered there under each station name; the leases given back for a
    // journal that is gone, with why. In a journal, a number's state the line refused, and
    // when it joined the lease.
    {
        "CREATE TABLE store_identity (id TEXT NOT NULL, created TEXT NOT NULL)",
        "INSERT INTO store_identity (id, created) VALUES ('%UUID%', '%NOW%')",
        "ALTER TABLE board_jobs ADD COLUMN journal TEXT",
        "ALTER TABLE serial_reservations ADD COLUMN journal TEXT",
        "ALTER TABLE serial_reservations ADD COLUMN written_by TEXT CONSTRAINT serial_written_by_its_journal "
        "CHECK (state <> 'written' OR written_by IS NULL OR written_by = COALESCE(journal, ''))",
        "CREATE INDEX serial_reservations_journal ON serial_reservations (journal, state, serial)",
        // What no journal holds yet is looked for at every delivery: found at once, as a
        // rule nothing.
        "CREATE INDEX serial_reservations_unclaimed ON serial_reservations (station) WHERE journal IS NULL",
        "CREATE TABLE journals (journal TEXT NOT NULL, station TEXT NOT NULL, host TEXT NOT NULL, "
        "first_seen TEXT NOT NULL, last_delivered TEXT, PRIMARY KEY (journal, station))",
        "CREATE TABLE lease_releases (released TEXT NOT NULL, journal TEXT NOT NULL, serials INTEGER NOT NULL, "
        "reason TEXT NOT NULL, station TEXT NOT NULL, host TEXT NOT NULL)",
        "ALTER TABLE serial_leases ADD COLUMN refused TEXT",
        "ALTER TABLE serial_leases ADD COLUMN leased TEXT",
        // A board takes the lowest number of its station's lease, and a delivery sends the
        // states not yet delivered: each read through an index of just that, a lease of a
        // thousand numbers included.
        "CREATE INDEX serial_leases_lease ON serial_leases (line_db, station, state, serial)",
        "CREATE INDEX serial_leases_held ON serial_leases (line_db, serial) WHERE delivered < revision",
        // Whether a serial passed is asked of every board that arrives, and boards fresh
        // from the maker all carry one serial: the passed records alone are looked at.
        "CREATE INDEX board_jobs_serial_passed ON board_jobs (serial, job, result)",
        "DROP INDEX IF EXISTS board_jobs_serial", // the one above serves its reads, and a write is one index fewer
    },
    // 10: counting boards, not jobs. A bring-up's try that was followed by another try of
    // the same board says so, since a board's last try decides what it came to; and the
    // summary counts the board records by station and hour through an index of just those,
    // as it counts every job through the index of schema 5. Records kept before count
    // each try as a board.
    {
        "ALTER TABLE board_jobs ADD COLUMN tried_again INTEGER NOT NULL DEFAULT 0",
        "CREATE INDEX board_jobs_board_hour ON board_jobs (station, substr(started, 1, 13), result, started) "
        "WHERE %BOARDS%",
    },
    // 11: in a journal, each board result held for each sink that takes it (a webhook, an
    // MQTT broker), written with the record in one transaction so that a kill cannot lose
    // it: the revision to deliver, the one delivered, and the answer of a sink that refused
    // it. Each sink counts its own, so that one away holds up no other.
    {
        "CREATE TABLE sink_deliveries (sink TEXT NOT NULL, job_uuid TEXT NOT NULL, revision INTEGER NOT NULL, "
        "delivered INTEGER NOT NULL DEFAULT 0, refused TEXT, held_since TEXT NOT NULL, PRIMARY KEY (sink, job_uuid))",
        "CREATE INDEX sink_deliveries_held ON sink_deliveries (sink, held_since) WHERE delivered < revision",
    },
    // 12: a board known across its tries, and why it failed. Each record names the board
    // it ran on; a record that stands for a board says how the board's first try ended;
    // each says the step it ended at and the cause. Records kept before are each a board
    // of its own whose first try was itself, so that they count as they did. The summary
    // reads its board records by station (and by slot) and hour through indexes that hold
    // the first try too; the journal finds a board's earlier tries through the board.
    {
        "ALTER TABLE board_jobs ADD COLUMN board TEXT",
        "ALTER TABLE board_jobs ADD COLUMN step TEXT",
        "ALTER TABLE board_jobs ADD COLUMN cause TEXT",
        "ALTER TABLE board_jobs ADD COLUMN first_try TEXT",
        "UPDATE board_jobs SET board = job_uuid, first_try = result",
        "DROP INDEX IF EXISTS board_jobs_board_hour",
        "CREATE INDEX board_jobs_board_hour ON board_jobs (station, substr(started, 1, 13), result, first_try, started) "
        "WHERE %BOARDS%",
        "CREATE INDEX board_jobs_board_slot ON board_jobs (station, port, substr(started, 1, 13), result, first_try, "
        "started) WHERE %BOARDS%",
        "CREATE INDEX board_jobs_board_tries ON board_jobs (board, id) WHERE %TRIES%",
    },
    // 13: records that show any edit. Each journal chains its entries, a record's every
    // revision and every change of a leased number's state: an entry's number, the
    // SHA-256 of its content and the hash of the entry before it, kept with the row and
    // in the chain itself, which the line's database keeps for every journal as it
    // arrives. A line's database marks where its records stood at the migration: those,
    // written before any chain, are not checked, until their journal chains them.
    {
        "ALTER TABLE board_jobs ADD COLUMN content_sha256 TEXT",
        "ALTER TABLE board_jobs ADD COLUMN chain_seq BIGINT",
        "ALTER TABLE board_jobs ADD COLUMN chain_prev TEXT",
        "ALTER TABLE serial_leases ADD COLUMN content_sha256 TEXT",
        "ALTER TABLE serial_leases ADD COLUMN chain_seq BIGINT",
        "CREATE TABLE chain (journal TEXT NOT NULL, seq BIGINT NOT NULL, kind TEXT NOT NULL, entry_key TEXT NOT NULL, "
        "revision INTEGER NOT NULL, content_sha256 TEXT NOT NULL, prev TEXT NOT NULL, hash TEXT NOT NULL, "
        "at TEXT NOT NULL, delivered INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (journal, seq))",
        "CREATE INDEX chain_held ON chain (journal, seq) WHERE delivered = 0",
        "CREATE TABLE chain_epoch (before_id BIGINT NOT NULL, migrated TEXT NOT NULL)",
        "INSERT INTO chain_epoch (before_id, migrated) SELECT COALESCE(MAX(id), 0), '%NOW%' FROM board_jobs",
    },
    // 14: the line's database in least privilege. Each journal is owned by the database
    // login that first delivered for it; on PostgreSQL, row-level security lets a login
    // add and change only the rows of the journals it owns (a table's owner, who runs
    // records grant, is not held by it). "PG:" marks what SQLite has no words for.
    {
        "CREATE TABLE journal_owners (journal TEXT PRIMARY KEY, login TEXT NOT NULL, claimed TEXT NOT NULL)",
        // The people who may sign in and sign: a lead keeps the list in the line's database,
        // each journal a copy, so that a station signs while the database is away.
        "CREATE TABLE people (badge TEXT PRIMARY KEY, name TEXT NOT NULL, role TEXT NOT NULL, pin_hash TEXT, "
        "changed TEXT NOT NULL)",
        "PG:ALTER TABLE journal_owners ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY owners_read ON journal_owners FOR SELECT USING (true)",
        "PG:CREATE POLICY owners_claim ON journal_owners FOR INSERT WITH CHECK (login = current_user)",
        "PG:ALTER TABLE board_jobs ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY board_jobs_read ON board_jobs FOR SELECT USING (true)",
        "PG:CREATE POLICY board_jobs_add ON board_jobs FOR INSERT WITH CHECK (%OWNED%)",
        "PG:CREATE POLICY board_jobs_change ON board_jobs FOR UPDATE USING (%OWNED%) WITH CHECK (%OWNED%)",
        "PG:ALTER TABLE chain ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY chain_read ON chain FOR SELECT USING (true)",
        "PG:CREATE POLICY chain_add ON chain FOR INSERT WITH CHECK (%OWNED%)",
        "PG:ALTER TABLE journals ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY journals_read ON journals FOR SELECT USING (true)",
        "PG:CREATE POLICY journals_add ON journals FOR INSERT WITH CHECK (%OWNED%)",
        "PG:CREATE POLICY journals_change ON journals FOR UPDATE USING (%OWNED%) WITH CHECK (%OWNED%)",
        // A number reserved before leases knew journals has none; a lead gives numbers back.
        "PG:ALTER TABLE serial_reservations ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY serials_read ON serial_reservations FOR SELECT USING (true)",
        "PG:CREATE POLICY serials_add ON serial_reservations FOR INSERT WITH CHECK (journal IS NULL OR %OWNED%)",
        "PG:CREATE POLICY serials_change ON serial_reservations FOR UPDATE USING (journal IS NULL OR %OWNED%) "
        "WITH CHECK (journal IS NULL OR %OWNED%)",
        "PG:CREATE POLICY serials_give_back ON serial_reservations FOR DELETE USING (true)",
    },
    // 15: who signed what. Each exception signed with a badge and PIN, each unlock of a
    // locked window and each badge locked after wrong PINs is an event of the journal's
    // chain, delivered as the records are; a station adds its own and changes none. A
    // journal counts the wrong PINs of each badge, and keeps the access rules its station
    // last ran by, for the exceptions asked for without a recipe.
    {
        "CREATE TABLE access_events (uuid TEXT PRIMARY KEY, journal TEXT NOT NULL, station TEXT NOT NULL, "
        "at TEXT NOT NULL, meaning TEXT NOT NULL, badge TEXT NOT NULL, name TEXT, role TEXT, reason TEXT, serial TEXT, "
        "board TEXT, until_at TEXT, chain_seq BIGINT, content_sha256 TEXT, delivered INTEGER NOT NULL DEFAULT 0)",
        "CREATE INDEX access_events_at ON access_events (at)",
        "CREATE INDEX access_events_held ON access_events (chain_seq) WHERE delivered = 0",
        "CREATE TABLE pin_tries (id %ID%, badge TEXT NOT NULL, at TEXT NOT NULL, matched INTEGER NOT NULL)",
        "CREATE TABLE access_rules (rules TEXT NOT NULL, kept TEXT NOT NULL)",
        "PG:ALTER TABLE access_events ENABLE ROW LEVEL SECURITY",
        "PG:CREATE POLICY access_read ON access_events FOR SELECT USING (true)",
        "PG:CREATE POLICY access_add ON access_events FOR INSERT WITH CHECK (%OWNED%)",
    },
    // 16: what waits to be chained, found at once: a number's state and a record are chained
    // as they are handed on, and a station asks at every delivery whether any waits.
    {
        "CREATE INDEX serial_leases_unchained ON serial_leases (line_db, serial) WHERE chain_seq IS NULL",
        "CREATE INDEX board_jobs_unchained ON board_jobs (id) WHERE chain_seq IS NULL",
    },
};

// The report's indexes as the migrations above leave them, to make again in a store that
// had them dropped ("%BOARDS%": the board records). A store's own work (its writes, its
// deliveries, a board's earlier tries, whether a serial passed) uses none of them.
const std::vector<std::pair<QString, QString>> kReportIndexes = {
    {"board_jobs_started", "ON board_jobs (started)"},
    {"board_jobs_station", "ON board_jobs (station, started, result)"},
    {"board_jobs_hour", "ON board_jobs (station, substr(started, 1, 13), result, started)"},
    {"board_jobs_job", "ON board_jobs (job, started)"},
    {"board_jobs_result", "ON board_jobs (result, started)"},
    {"board_jobs_port", "ON board_jobs (port, started)"},
    {"board_jobs_operator", "ON board_jobs (operator, started)"},
    {"board_jobs_work_order", "ON board_jobs (work_order, started)"},
    {"board_jobs_board_hour", "ON board_jobs (station, substr(started, 1, 13), result, first_try, started) WHERE %BOARDS%"},
    {"board_jobs_board_slot",
     "ON board_jobs (station, port, substr(started, 1, 13), result, first_try, started) WHERE %BOARDS%"},
};

} // namespace

Expected<void, QString> StoreConnection::indexForReports(bool reportsReadHere)
{
    if (postgres_)
        return {}; // a line's database: reports read it, and it keeps what its migrations made
    QSqlQuery q(db_);
    std::set<QString> present;
    if (!q.exec("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'board_jobs'"))
        return fail("read for its indexes", q.lastError().text());
    while (q.next())
        present.insert(q.value(0).toString());
    std::vector<QString> statements;
    for (const auto& [name, definition] : kReportIndexes) {
        if (reportsReadHere && !present.contains(name))
            statements.push_back("CREATE INDEX " + name + " " + QString(definition).replace("%BOARDS%", boardRecordsSql()));
        else if (!reportsReadHere && present.contains(name))
            statements.push_back("DROP INDEX " + name);
    }
    if (statements.empty())
        return {};
    Transaction transaction(*this, Transaction::Kind::Exclusive, kMigrationLock);
    if (!transaction.begun())
        return transaction.begun();
    for (const QString& statement : statements)
        if (!q.exec(statement))
            return fail(reportsReadHere ? "indexed for reports" : "rid of the report's indexes", q.lastError().text());
    return transaction.commit();
}

Expected<void, QString> StoreConnection::migrate()
{
    QSqlQuery q(db_);
    // A store already up to date is not written to: a report may read one that takes no
    // writes.
    if (q.exec("SELECT version FROM schema_version") && q.next() && q.value(0).toInt() == kSchemaVersion)
        return {};
    // One process at a time brings the schema up to date.
    Transaction transaction(*this, Transaction::Kind::Exclusive, kMigrationLock);
    if (!transaction.begun())
        return transaction.begun();
    auto rollback = [&](const QString& why) -> Expected<void, QString> { return fail("brought up to date", why); };
    if (!q.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"))
        return rollback(q.lastError().text());
    if (!q.exec("SELECT version FROM schema_version"))
        return rollback(q.lastError().text());
    int version = 0;
    const bool hasRow = q.next();
    if (hasRow)
        version = q.value(0).toInt();
    if (version > kSchemaVersion)
        return rollback(QStringLiteral("they are of schema version %1, newer than this tool's %2").arg(version).arg(kSchemaVersion));
    for (int v = version; v < kSchemaVersion; ++v) {
        for (QString statement : kMigrations[static_cast<std::size_t>(v)]) {
            statement.replace("%ID%", postgres_ ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT");
            statement.replace("%UUID%", QUuid::createUuid().toString(QUuid::WithoutBraces));
            statement.replace("%NOW%", recordTime(*clock_));
            statement.replace("%BOARDS%", boardRecordsSql());
            statement.replace("%TRIES%", boardTriesSql());
            statement.replace("%OWNED%", "journal IN (SELECT journal FROM journal_owners WHERE login = current_user)");
            if (statement.startsWith("PG:")) {
                if (!postgres_)
                    continue;
                statement.remove(0, 3);
            }
            if (!q.exec(statement))
                return rollback(q.lastError().text());
        }
    }
    const QString setVersion = hasRow ? "UPDATE schema_version SET version = %1" : "INSERT INTO schema_version VALUES (%1)";
    if (!q.exec(setVersion.arg(kSchemaVersion)))
        return rollback(q.lastError().text());
    return transaction.commit();
}

} // namespace auxpad
