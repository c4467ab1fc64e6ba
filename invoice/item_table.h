#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoice/decimal.h"

namespace invoice {

class IniFile;

enum class FieldKind { kInteger, kText, kCurrency };

struct FieldDef {
  std::string_view name;
  FieldKind kind;
  int size;  // characters, for text fields
};

// The fields of the item table, in their order.
enum ItemField : int {
  kSequencia,
  kCodProduto,
  kNomeProduto,
  kNCM_SH,
  kCST,
  kCFOP,
  kQuantidade,
  kUnidade,
  kValorUnit,
  kBC_ICMS,
  kValor_ICMS,
  kValorTotal,
  kValor_IPI,
  kAliq_IPI,
  kAliq_ICMS,
  kValorUni_ComImpostos,
  kVAlorICMSST,
  kItemFieldCount
};

inline constexpr std::array<FieldDef, kItemFieldCount> kItemFields = {{
    {"Sequencia", FieldKind::kInteger, 0},
    {"CodProduto", FieldKind::kText, 14},
    {"NomeProduto", FieldKind::kText, 120},
    {"NCM_SH", FieldKind::kText, 10},
    {"CST", FieldKind::kText, 3},
    {"CFOP", FieldKind::kText, 5},
    {"Quantidade", FieldKind::kText, 20},
    {"Unidade", FieldKind::kText, 4},
    {"ValorUnit", FieldKind::kText, 20},
    {"BC_ICMS", FieldKind::kText, 20},
    {"Valor_ICMS", FieldKind::kText, 20},
    {"ValorTotal", FieldKind::kText, 20},
    {"Valor_IPI", FieldKind::kText, 20},
    {"Aliq_IPI", FieldKind::kText, 20},
    {"Aliq_ICMS", FieldKind::kText, 20},
    {"ValorUni_ComImpostos", FieldKind::kCurrency, 0},
    {"VAlorICMSST", FieldKind::kCurrency, 0},
}};

// The field's index, or -1 for an unknown name.
int FindItemField(std::string_view name);

// One row: the text fields hold at most their size, cut when set; a field
// never set is empty.
class ItemRow {
 public:
  explicit ItemRow(std::int32_t sequencia);

  std::int32_t sequencia() const { return sequencia_; }
  const std::string& text(ItemField field) const { return texts_[field]; }
  void set_text(ItemField field, std::string_view value);
  const std::optional<Decimal>& currency(ItemField field) const {
    return field == kValorUni_ComImpostos ? unit_price_with_taxes_ : icms_st_;
  }
  void set_currency(ItemField field, Decimal value);

  // The field as the report prints it: text as stored, currency as "#0.0000"
  // with ",", the sequence number in decimal; empty when never set.
  const std::string& DisplayText(int field) const;

 private:
  std::int32_t sequencia_;
  // Display texts of every field, kept so the report reads them in place.
  std::array<std::string, kItemFieldCount> texts_{};
  std::optional<Decimal> unit_price_with_taxes_;
  std::optional<Decimal> icms_st_;
};

// The invoice's items in ascending order of Sequencia.
class ItemTable {
 public:
  void Clear() { rows_.clear(); }
  // Adds the row at its place in Sequencia order (after rows of equal number).
  void Post(ItemRow row);
  size_t size() const { return rows_.size(); }
  const ItemRow& row(size_t i) const { return rows_[i]; }

 private:
  std::vector<ItemRow> rows_;
};

// The item grid always shows at least this many lines.
inline constexpr size_t kMinItemRows = 25;

// Loads the table from the [det nItem=N] sections, N = 1 .. [DadosNota]
// num_itens_na_nota, then pads it with blank rows to kMinItemRows.
// `on_csosn_heading` runs for every item of an emitter whose [emit] CRT is not
// "3". Throws invoice::Error at the first item with a value that does not
// convert; that item is not added.
void FillItemTable(const IniFile& data, ItemTable& table,
                   const std::function<void()>& on_csosn_heading);

// The unit price plus the IPI and ICMS ST per unit, when both are positive.
// Throws invoice::Error for a quantity that is not a number or is zero (then
// "Floating point division by zero").
Decimal UnitPriceWithTaxes(std::string_view unit_price, std::string_view quantity,
                           std::string_view ipi, Decimal icms_st);

}  // namespace invoice
