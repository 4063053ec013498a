#pragma once

#include <string>
#include <vector>

// SQLite's dialect, as the program writes its statements, turned into the server's.

namespace cz {

// The PostgreSQL form of a statement written for SQLite: `?` placeholders become $1, $2, …,
// `x like ?` becomes `x::text ilike ?` (SQLite's LIKE ignores the case of ASCII letters and
// compares numbers as text), `*` of a table this program knows becomes its column list (the
// server's tables carry a `rowid` column that SQLite keeps hidden), the trim of the member indexes
// becomes btrim with a literal set of blanks, and an insert into a table with a row number gets
// `returning` that number. Quoted literals are left untouched.
std::string postgresStatement(const std::string& sql);

// After an insert that gives a known table's row number itself (a copied shop, a test's
// fixture): the statement that moves the table's number sequence past the largest number, so
// the next insert without one does not collide. Empty for any other statement.
std::string postgresSequenceFollowUp(const std::string& sql);

// The statement with each `?` replaced by its value as a quoted literal, as SQLite expands a
// statement for the log.
std::string expandedStatement(const std::string& sql, const std::vector<std::string>& params);

}  // namespace cz
