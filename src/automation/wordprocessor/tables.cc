#include "automation/wordprocessor/tables.h"

#include "automation/wordprocessor/document_state.h"

namespace quorlex::automation::wordprocessor {
namespace {

document::TableSpan TableOf(DocumentState& state, std::size_t ordinal, std::uint64_t generation) {
  document::Document& model = state.Model();
  if (state.generation != generation) {
    Refuse("Таблица изменилась после того, как была получена: получите ее заново");
  }
  auto tables = model.Tables();
  if (ordinal >= tables.size()) Refuse("Таблица больше не существует");
  return std::move(tables[ordinal]);
}

}  // namespace

Table::Table(std::shared_ptr<DocumentState> state, std::size_t ordinal, std::uint64_t generation)
    : state_(std::move(state)), ordinal_(ordinal), generation_(generation) {}

wordprocessor::Rows Table::Rows() const {
  TableOf(*state_, ordinal_, generation_);
  return wordprocessor::Rows(*this);
}

Tables::Tables(std::shared_ptr<DocumentState> state) : state_(std::move(state)) {}

std::optional<Table> Tables::Item(int index) const {
  if (index < 1) {
    Refuse("Запрошенный элемент коллекции Tables не существует: " + std::to_string(index));
  }
  const auto tables = state_->Model().Tables();
  if (static_cast<std::size_t>(index) > tables.size()) return std::nullopt;
  return Table(state_, static_cast<std::size_t>(index - 1), state_->generation);
}

int Tables::Count() const { return static_cast<int>(state_->Model().Tables().size()); }

Rows::Rows(Table table) : table_(std::move(table)) {}

int Rows::Count() const {
  return static_cast<int>(TableOf(*table_.state_, table_.ordinal_, table_.generation_).rows.size());
}

Row Rows::Item(int index) const {
  const int count = Count();
  if (index < 1 || index > count) {
    Refuse("Запрошенный элемент коллекции Rows не существует: " + std::to_string(index) +
           " (строк в таблице: " + std::to_string(count) + ")");
  }
  return Row(table_, index);
}

Row::Row(Table table, int index) : table_(std::move(table)), index_(index) {}

void Row::Delete() {
  DocumentState& state = *table_.state_;
  const document::TableSpan table = TableOf(state, table_.ordinal_, table_.generation_);
  const auto row = static_cast<std::size_t>(index_ - 1);
  if (row >= table.rows.size()) Refuse("Строка таблицы больше не существует");
  document::Document& model = state.Model();
  const document::Story& main = model.Main();
  const auto from = static_cast<long>(main.ParagraphStart(table.rows[row].first_paragraph));
  const auto to = static_cast<long>(main.paragraphs[table.rows[row].end_paragraph - 1].end);
  model.DeleteRow(document::StoryKind::kMain, table, row);
  state.Touched();
  state.Removed(from, to);
}

}  // namespace quorlex::automation::wordprocessor
