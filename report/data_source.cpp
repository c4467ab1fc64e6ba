#include "report/data_source.h"

namespace report {

void TableDataSource::AddRow(std::vector<std::string> texts) {
  texts.resize(fields_.size());
  rows_.push_back(std::move(texts));
}

int TableDataSource::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i] == name) return static_cast<int>(i);
  }
  return -1;
}

std::string_view TableDataSource::Text(std::size_t row, int field) const {
  return rows_.at(row).at(static_cast<size_t>(field));
}

}  // namespace report
