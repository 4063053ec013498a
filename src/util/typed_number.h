#pragma once

#include <string>
#include <string_view>

namespace cz {

// What a number typed into a grid cell stands for, and so which texts and values it may take.
enum class TypedNumberKind {
  Amount,    // a price or a points balance: 0 or more, decimals allowed
  Count,     // a stock count: a whole number, 0 or more
  Rate,      // a discount rate: 0 to 10, decimals allowed
  Quantity,  // a quantity bought: a whole number, 1 or more
  // The same two for goods sold by weight, in kilograms with up to three decimals:
  WeightCount,  // a stock: 0 or more
  Weight,       // a quantity bought or sold: above 0
};

enum class TypedNumberCheck { Fine, NotANumber, OutOfRange };

// Checks a typed cell text. Blanks around the digits are allowed; a sign, an exponent, a second
// point, full-width digits or anything else besides digits and one point is not a number. A
// negative number ("-5") is a number out of range, and so is any point ("3.5", "3.0") where a
// whole number belongs.
TypedNumberCheck checkTypedNumber(std::string_view text, TypedNumberKind kind);

// A typed number as it is stored: without the blanks around it.
std::string typedNumberText(std::string_view text);

// The message for a refused cell of the column headed `column`:
// "[销售价]不是有效的数字", or the range the kind allows.
std::string typedNumberMessage(std::string_view column, TypedNumberKind kind,
                               TypedNumberCheck check);

// checkTypedNumber and, when refused, its message; empty text when the cell is fine.
std::string typedNumberProblem(std::string_view column, std::string_view text,
                               TypedNumberKind kind);

}  // namespace cz
