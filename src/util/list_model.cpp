#include "util/list_model.h"

namespace cz {

namespace {
const std::string kEmpty;
}

void ListModel::setColumns(std::vector<ListColumn> columns) {
  if (m_observer) m_observer->listAboutToReset();
  m_columns = std::move(columns);
  if (m_observer) m_observer->listReset();
}

void ListModel::clear() {
  if (m_observer) m_observer->listAboutToReset();
  m_items.clear();
  m_selected = -1;
  if (m_observer) m_observer->listReset();
}

int ListModel::append(std::vector<std::string> texts) {
  const int index = itemCount();
  if (m_observer) m_observer->listAboutToAppend(index);
  m_items.push_back(Item{std::move(texts)});
  if (m_observer) m_observer->listAppended();
  return index;
}

void ListModel::setText(int index, int column, const std::string& text) {
  if (!contains(index) || column < 0) return;
  auto& texts = m_items[static_cast<size_t>(index)].texts;
  if (static_cast<size_t>(column) >= texts.size()) texts.resize(static_cast<size_t>(column) + 1);
  texts[static_cast<size_t>(column)] = text;
  if (m_observer) m_observer->listItemChanged(index);
}

const std::string& ListModel::text(int index, int column) const {
  if (!contains(index) || column < 0) return kEmpty;
  const auto& texts = m_items[static_cast<size_t>(index)].texts;
  return static_cast<size_t>(column) < texts.size() ? texts[static_cast<size_t>(column)] : kEmpty;
}

void ListModel::setItemColours(int index, Rgb text, Rgb back) {
  if (!contains(index)) return;
  m_items[static_cast<size_t>(index)].text = text;
  m_items[static_cast<size_t>(index)].back = back;
  if (m_observer) m_observer->listItemChanged(index);
}

Rgb ListModel::itemTextColour(int index) const {
  return contains(index) ? m_items[static_cast<size_t>(index)].text : kNoColour;
}

Rgb ListModel::itemBackColour(int index) const {
  return contains(index) ? m_items[static_cast<size_t>(index)].back : kNoColour;
}

void ListModel::setSelectedIndex(int index) {
  m_selected = contains(index) ? index : -1;
  if (m_observer) m_observer->listSelectionChanged();
}

void ListModel::ensureVisible(int index) {
  if (contains(index) && m_observer) m_observer->listEnsureVisible(index);
}

}  // namespace cz
