#pragma once

// The columns of a job's record in board_jobs, each with how it is written and read: the
// one list every statement of the journal, the line's database and the reader is made
// from (records/record_columns.cpp).
#include <QString>
#include <QStringList>

#include <cstddef>

#include "records/job_record.h"

class QSqlQuery;

namespace auxpad {

// Every column, and the first of them: those a report's table shows (up to the job's
// seconds), so that a table of a hundred thousand records reads those alone.
extern const std::size_t kRecordColumns;
constexpr std::size_t kTableColumns = 21;

// "id, started, ...": what a read selects, in the order readRecord takes it.
QString selectList(std::size_t count = kRecordColumns);
void readRecord(const QSqlQuery& q, JobRecord& r, std::size_t count = kRecordColumns);
// A new record, or a later state of one already there; never an earlier state over a
// later one. Its values, bound in order by bindRecord.
QString upsertStatement();
void bindRecord(QSqlQuery& q, const JobRecord& r);
// A record's content as its chain hashes it: every column but where it is kept and its
// place in the chain (its row's id, its journal, the line database it is held for, its
// chain columns), each as name=value on a line of its own, a null apart from "".
QByteArray canonicalContent(const JobRecord& r);
// The same, appended to `out`: a buffer kept across a million records.
void appendContent(QByteArray& out, const JobRecord& r);
// The columns of the content in which two records differ, each as "serial: A, B".
QStringList differingColumns(const JobRecord& a, const JobRecord& b);

} // namespace auxpad
