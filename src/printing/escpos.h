#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cz {

struct Receipt;

// ESC/POS: the command language of thermal receipt printers. Everything here is a pure function
// from texts to the bytes a printer is sent; text goes out as GB18030, the printer in its
// Chinese mode.
namespace escpos {

using namespace std::string_view_literals;

inline constexpr std::string_view kInitialise = "\x1b@"sv;   // ESC @
inline constexpr std::string_view kChineseMode = "\x1c&"sv;  // FS &
inline constexpr std::string_view kCentre =
    "\x1b"
    "a\x01"sv;  // ESC a 1
inline constexpr std::string_view kLeft =
    "\x1b"
    "a\x00"sv;  // ESC a 0
inline constexpr std::string_view kBoldOn =
    "\x1b"
    "E\x01"sv;  // ESC E 1
inline constexpr std::string_view kBoldOff =
    "\x1b"
    "E\x00"sv;
inline constexpr std::string_view kDoubleSize =
    "\x1d!\x11"sv;  // GS ! 0x11: double width and height
inline constexpr std::string_view kNormalSize = "\x1d!\x00"sv;
inline constexpr std::string_view kFeed =
    "\x1b"
    "d\x04"sv;  // ESC d 4: four lines
inline constexpr std::string_view kCut =
    "\x1d"
    "VB\x00"sv;  // GS V 66 0: feed to the cutter, cut
inline constexpr std::string_view kDrawerPulse = "\x1bp\x00\x19\xfa"sv;  // ESC p 0 25 250
// DLE EOT 4: the printer answers one byte, the state of its paper sensor.
inline constexpr std::string_view kPaperStatusRequest = "\x10\x04\x04"sv;

}  // namespace escpos

// Columns of text a line holds on the paper: 48 on 80 mm paper, 32 on 58 mm.
int paperColumns(int paperWidthMm);

// Columns a GB18030 text takes on the printer: one for each ASCII character, two for every other
// character (a receipt printer in Chinese mode prints those full width).
int printColumns(std::string_view gb);

// Splits a GB18030 line into pieces at most `columns` wide, at character boundaries only. An
// empty line gives one empty piece. A character wider than `columns` stands alone.
std::vector<std::string> wrapColumns(std::string_view gb, int columns);

// The receipt as ESC/POS bytes for paper of `paperWidthMm`: ESC @, FS &, the header bold at
// double size and centred ("重打" centred under it on a reprint), then the title, the goods lines,
// the totals and the footer laid out to the paper's columns (the rules across the whole width,
// longer lines wrapped), a feed and the cut; the drawer pulse last when `openDrawer` is set.
// Control characters in the texts print as spaces, so no text can send a command; each "\r\n"
// (or lone "\n" or "\r") in a text starts a new line.
std::string escPosReceipt(const Receipt& receipt, int paperWidthMm, bool openDrawer);

// The drawer pulse alone: ESC p 0 25 250.
std::string escPosDrawerPulse();

// What a test page shows.
struct TestPage {
  std::string header;  // the shop's receipt header
  int paperWidthMm = 58;
  std::string time;  // the time text of now
};

// The texts of a test page after its header: the title, the paper width, a ruler of the
// columns, a line of Chinese mixed with digits and the date. For both printing paths.
std::vector<std::string> testPageLines(const TestPage& page);

// The test page as ESC/POS bytes: the header as on a receipt, then testPageLines(), feed, cut.
std::string escPosTestPage(const TestPage& page);

// A report (the shift reports): its first line as a receipt's header, the others laid out to
// the paper's columns, feed, cut.
std::string escPosReport(const std::vector<std::string>& lines, int paperWidthMm);

// The answer to DLE EOT 4 says the paper has run out (bits 5 and 6). False for a byte that is
// not a paper sensor status at all.
bool paperOutInStatus(unsigned char status);
// True when `status` has the fixed bits of a DLE EOT 4 answer (0xx1xx10).
bool isPaperStatus(unsigned char status);

}  // namespace cz
