#include "invoice/item_table.h"

#include <algorithm>
#include <cmath>

#include "invoice/error.h"
#include "invoice/format.h"
#include "invoice/ini_reader.h"

namespace invoice {
namespace {

std::string_view StripControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

// A tax value that is written as zero prints nothing.
std::string MoneyOrEmpty(std::string_view text) {
  if (text == "0" || text == "0.00") return {};
  return FormatMoney(text);
}

}  // namespace

int FindItemField(std::string_view name) {
  for (size_t i = 0; i < kItemFields.size(); ++i)
    if (kItemFields[i].name == name) return static_cast<int>(i);
  return -1;
}

ItemRow::ItemRow(std::int32_t sequencia) : sequencia_(sequencia) {
  texts_[kSequencia] = std::to_string(sequencia);
}

void ItemRow::set_text(ItemField field, std::string_view value) {
  texts_[field] = value.substr(0, static_cast<size_t>(kItemFields[field].size));
}

void ItemRow::set_currency(ItemField field, Decimal value) {
  (field == kValorUni_ComImpostos ? unit_price_with_taxes_ : icms_st_) = value;
  texts_[field] = FormatFourDecimals(value);
}

const std::string& ItemRow::DisplayText(int field) const {
  static const std::string kNone;
  return field >= 0 && field < kItemFieldCount ? texts_[field] : kNone;
}

void ItemTable::Post(ItemRow row) {
  // Rows normally arrive in order, so this is an append.
  if (rows_.empty() || rows_.back().sequencia() <= row.sequencia()) {
    rows_.push_back(std::move(row));
    return;
  }
  auto at =
      std::upper_bound(rows_.begin(), rows_.end(), row.sequencia(),
                       [](std::int32_t seq, const ItemRow& r) { return seq < r.sequencia(); });
  rows_.insert(at, std::move(row));
}

Decimal UnitPriceWithTaxes(std::string_view unit_price, std::string_view quantity,
                           std::string_view ipi_text, Decimal icms_st) {
  const Decimal unit = ParseDecimal(unit_price);
  const Decimal ipi = ParseDecimal(ipi_text, Decimal{});
  if (ipi.units() <= 0 || icms_st.units() <= 0) return unit;
  const Decimal qty = ParseDecimal(quantity);
  if (qty.units() == 0) throw Error("Floating point division by zero");
  // In ten-thousandths: the scales of the amounts and the quantity cancel in
  // the quotients. long double keeps a 64-bit mantissa; the sum is rounded
  // once, halves to even (the default rounding mode).
  const long double q = static_cast<long double>(qty.units());
  const long double sum = static_cast<long double>(unit.units()) +
                          static_cast<long double>(ipi.units()) * Decimal::kScale / q +
                          static_cast<long double>(icms_st.units()) * Decimal::kScale / q;
  // Beyond the amount's range the conversion below would be undefined.
  if (!(std::fabs(sum) < 9.2e18L)) throw Error("Floating point overflow");
  return Decimal::FromUnits(static_cast<std::int64_t>(std::nearbyint(sum)));
}

void FillItemTable(const IniFile& data, ItemTable& table,
                   const std::function<void()>& on_csosn_heading) {
  table.Clear();
  // Rows are made one section at a time, never ahead for the count: an item
  // whose section is missing fails at its empty unit price before it is
  // posted, so a count beyond the sections present costs no more than the
  // items the file really holds.
  const std::int32_t count = data.ReadInt("DadosNota", "num_itens_na_nota", 0);
  for (std::int32_t n = 1; n <= count; ++n) {
    const std::string section = "det nItem=" + std::to_string(n);
    auto read = [&](std::string_view key, std::string_view fallback = {}) {
      return data.ReadText(section, key, fallback);
    };
    ItemRow row(n);
    const std::string ean = read("cEAN");
    row.set_text(kCodProduto, StripControls(ean).empty() ? read("cProd") : ean);
    row.set_text(kNomeProduto, read("xProd"));
    row.set_text(kNCM_SH, read("NCM"));
    if (data.ReadText("emit", "CRT", "") != "3" && on_csosn_heading) on_csosn_heading();
    const std::string cst = read("ICMS_CST");
    row.set_text(kCST, cst.size() == 3 ? cst : read("ICMS_orig", "0") + cst);
    row.set_text(kCFOP, read("CFOP"));
    row.set_text(kUnidade, read("uCom"));
    const std::string quantity = read("qCom");
    row.set_text(kQuantidade, quantity);
    row.set_text(kValorUnit, read("vUnCom"));
    row.set_text(kValorTotal, FormatMoney(read("vProd")));
    row.set_text(kBC_ICMS, MoneyOrEmpty(read("ICMS_vBC")));
    row.set_text(kValor_ICMS, MoneyOrEmpty(read("ICMS_vICMS")));
    row.set_text(kValor_IPI, MoneyOrEmpty(read("IPI_vIPI")));
    row.set_text(kAliq_ICMS, MoneyOrEmpty(read("ICMS_pICMS")));
    row.set_text(kAliq_IPI, MoneyOrEmpty(read("IPI_pIPI")));

    const Decimal icms_st = ParseDecimal(read("ICMS_vICMSST"), Decimal{});
    row.set_currency(kVAlorICMSST, icms_st);
    row.set_currency(kValorUni_ComImpostos,
                     UnitPriceWithTaxes(row.text(kValorUnit), quantity, read("IPI_vIPI"), icms_st));
    table.Post(std::move(row));
  }
  for (size_t n = table.size() + 1; n <= kMinItemRows; ++n)
    table.Post(ItemRow(static_cast<std::int32_t>(n)));
}

}  // namespace invoice
