#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// The rows a report prints, one detail band per row, first to last.
class DataSource {
 public:
  virtual ~DataSource() = default;
  virtual std::size_t RowCount() const = 0;
  // The index of the field with this name, or -1.
  virtual int FieldIndex(std::string_view name) const = 0;
  // The display text of a field in a row, Windows-1252 bytes.
  virtual std::string_view Text(std::size_t row, int field) const = 0;
};

// Rows held as texts, for small reports and tests.
class TableDataSource : public DataSource {
 public:
  explicit TableDataSource(std::vector<std::string> fields) : fields_(std::move(fields)) {}

  void AddRow(std::vector<std::string> texts);

  std::size_t RowCount() const override { return rows_.size(); }
  int FieldIndex(std::string_view name) const override;
  std::string_view Text(std::size_t row, int field) const override;

 private:
  std::vector<std::string> fields_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace report
