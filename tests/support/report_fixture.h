#pragma once

// The hand-worked fixture of the sales report tests and a reader for what the export writes.

#include <string>
#include <vector>

#include "util/clock.h"

namespace cz {

class Database;

namespace test {

// One stored line of the fixture.
struct FixtureLine {
  std::string name, barcode, quantity, total, received, costPrice;
};

// Stores one sale as checkout does.
void storeSale(Database& db, const LocalDateTime& when, const std::string& account,
               const std::string& payment, const std::string& due, const std::string& received,
               const std::vector<FixtureLine>& lines);

// The fixture over 2026-12-01 to 2026-12-03: four sales inside (the range's first and last
// second among them), one just before and one just after; returns, a discount, the four payment
// methods and two cashiers.
void storeReportFixture(Database& db);

// The cells of a CSV text (without its byte-order mark), row by row; a blank line is an empty row.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

// The cells of an XLSX sheet (1-based), row by row, as unzip finds them in the workbook: strings
// as they are, numbers as their text. Empty when the file cannot be read.
std::vector<std::vector<std::string>> readXlsxSheet(const std::string& path, int sheet);

}  // namespace test
}  // namespace cz
