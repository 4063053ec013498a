#include "cashier/tender.h"

#include <optional>

#include "core/dialogs.h"
#include "util/numbers.h"

namespace cz {
namespace {

// An amount typed by the cashier: digits with one decimal point, blanks around; nothing else.
std::optional<double> typedAmount(const std::string& text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  const std::string t = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
  int digits = 0, points = 0;
  // A refund order's amount is negative.
  for (char c : t.substr(t[0] == '-' ? 1 : 0)) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && points == 0) {
      ++points;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || digits > 15) return std::nullopt;
  return readNumber(t);
}

std::string money(double value) {
  const double rounded = round1(value);
  return doubleText(rounded == 0 ? 0.0 : rounded);
}

}  // namespace

TenderPresenter::TenderPresenter(std::string due, std::string received, std::string payment)
    : m_due(std::move(due)), m_received(std::move(received)), m_payment(std::move(payment)) {
  receivedChanged(m_received);
}

void TenderPresenter::receivedChanged(const std::string& text) {
  m_receivedText = text;
  const auto amount = typedAmount(text);
  if (!amount) {
    m_enough = false;
    m_changeText = "找零：-";
    return;
  }
  // Money in tenths: the change is exact to the tenth, however the amounts were typed.
  m_change = round1(round1(*amount) - round1(readNumber(m_received)));
  m_enough = m_change >= 0;
  m_changeText = "找零：" + money(m_change);
}

bool TenderPresenter::confirm(Dialogs& dialogs) {
  if (!m_enough) {
    dialogs.message("收到金额不足", kDefaultTitle, MessageIcon::Information);
    return false;
  }
  return true;
}

std::string TenderPresenter::summary() const {
  return "收到：" + tenderedText() + "  " + m_changeText;
}

std::string TenderPresenter::tenderedText() const {
  return money(readNumber(m_receivedText));
}

std::string TenderPresenter::changeAmountText() const {
  return money(m_change);
}

}  // namespace cz
