#pragma once

#include <array>
#include <optional>
#include <string>

#include "catalogue/guarded_write.h"

namespace cz {

class Database;
class RowSink;
class TextGrid;

// Columns of the member grid. They are not in table order.
enum MemberColumn {
  MemberRowNumber = 0,
  MemberName = 1,
  MemberNumber = 2,
  MemberContact = 3,
  MemberDiscount = 4,
  MemberPoints = 5,
  MemberNote = 6,
};
inline constexpr int kMemberColumnCount = 7;

// The six shown fields of a member, indexed by grid column (index 0 unused).
using MemberFields = std::array<std::string, kMemberColumnCount>;

// Header texts and widths of the member grid.
void setUpMemberGrid(TextGrid& grid);

// Reads members into the sink as grid rows: every member when `search` is empty, else those whose
// number, name or contact contains the text. Stops early when the sink is cancelled; a query
// that fails reads nothing.
void readMembers(Database& db, const std::optional<std::string>& search, RowSink& sink);

// The duplicate tests of a new member: true when a stored member has exactly this 姓名, or
// exactly this 联系方式, both texts compared with blanks trimmed from both ends. A contact that is
// empty after trimming matches nothing. Each is one index lookup; a query that fails finds none.
bool memberNameExists(Database& db, const std::string& name);
bool memberContactExists(Database& db, const std::string& contact);

// The stored fields of the member with this number, or nothing when there is none.
std::optional<MemberFields> readStoredMember(Database& db, const std::string& number);

// Writes `value` into one grid column (MemberName, MemberContact, MemberDiscount, MemberPoints
// or MemberNote) of the member, in one statement and only while it still holds `loaded`, the text
// the list showed: points a sale added since the list was loaded are never written over. On
// success `stored` gets the member as stored now.
GuardedWrite writeMemberColumn(Database& db, const std::string& number, int column,
                              const std::string& value, const std::string& loaded,
                              MemberFields& stored);

}  // namespace cz
