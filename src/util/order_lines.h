#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cz {

// Reads chosen members of every line of an order-details text (the objects of its "详情页"
// array) without building a document, for sums over many stored orders.
//
// The texts given are exactly what JsonDocument gives for the same text: parse() (a string root
// read once more), then getText("详情页[i].name") for each line i. The stored form (one object
// with the one array of objects with string members, no escapes) is read in place; any other
// text goes through JsonDocument, so the answer never depends on which way was taken.
//
// `line` is called once per line with one text per name, in the order of `names` (empty for a
// member the line lacks). The views are valid during the call only. Returns the number of lines;
// a text that is no document has none.
using OrderLineVisitor = std::function<void(const std::vector<std::string_view>& values)>;
int forEachOrderLine(std::string_view details, const std::vector<std::string_view>& names,
                     const OrderLineVisitor& line);

}  // namespace cz
