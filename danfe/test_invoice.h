#pragma once

// Invoice data files for the DANFE's tests, built in memory: a complete
// invoice of an industry with as many items as a test asks for, any key of
// which a test may change or remove.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "invoice/ini_reader.h"

namespace danfe::testing {

class InvoiceFile {
 public:
  InvoiceFile() {
    Set("ide", "natOp", "VENDA DE MERCADORIA");
    Set("ide", "serie", "1");
    Set("ide", "nNF", "4321");
    Set("ide", "dEmi", "2013-01-02");
    Set("ide", "dSaiEnt", "2013-01-03");
    Set("ide", "dHoraSaida", "14:30:00");
    Set("ide", "tpNF", "1");
    Set("emit", "CNPJ", "12345678000195");
    Set("emit", "xNome", "IND\xDASTRIA DE M\xD3VEIS SUL LTDA");
    Set("emit", "xFant", "M\xD3VEIS SUL");
    Set("emit", "IE", "0960001234");
    Set("emit", "IM", "12345");
    Set("emit", "CRT", "3");
    Set("enderEmit", "xLgr", "RUA A");
    Set("enderEmit", "nro", "100");
    Set("enderEmit", "xBairro", "CENTRO");
    Set("enderEmit", "xMun", "PORTO ALEGRE");
    Set("enderEmit", "UF", "RS");
    Set("enderEmit", "CEP", "90000000");
    Set("dest", "xCod", "C0042");
    Set("dest", "CNPJ", "98765432000110");
    Set("dest", "xNome", "LOJA DO BAIRRO LTDA");
    Set("enderDest", "xLgr", "AVENIDA BRASIL");
    Set("enderDest", "nro", "2500");
    Set("enderDest", "xMun", "PORTO ALEGRE");
    Set("enderDest", "UF", "RS");
    Set("infAdic", "infCpl", "PEDIDO 778");
    Set("ICMSTot", "vBC", "300.00");
    Set("ICMSTot", "vICMS", "51.00");
    Set("ICMSTot", "vProd", "300.00");
    Set("ICMSTot", "vNF", "300.00");
    Set("ISSQNtot", "vServ", "1500.00");
    Set("ISSQNtot", "vBC", "1500.00");
    Set("ISSQNtot", "vISS", "75.00");
    Set("transp", "modFrete", "0");
    Set("DadosNota", "num_itens_na_nota", "0");
  }

  void Set(const std::string& section, const std::string& key, std::string value) {
    auto& keys = sections_[section];
    for (auto& [k, v] : keys) {
      if (k == key) {
        v = std::move(value);
        return;
      }
    }
    keys.emplace_back(key, std::move(value));
  }
  void Remove(const std::string& section, const std::string& key) {
    auto& keys = sections_[section];
    std::erase_if(keys, [&](const auto& kv) { return kv.first == key; });
  }

  // The next item, with the same values but for its code and description.
  void AddItem(const std::string& code, const std::string& description) {
    ++items_;
    const std::string section = "det nItem=" + std::to_string(items_);
    Set(section, "cProd", code);
    Set(section, "xProd", description);
    Set(section, "NCM", "94016100");
    Set(section, "ICMS_orig", "0");
    Set(section, "ICMS_CST", "00");
    Set(section, "CFOP", "5101");
    Set(section, "uCom", "UN");
    Set(section, "qCom", "2.0000");
    Set(section, "vUnCom", "25.0000");
    Set(section, "vProd", "50.00");
    Set(section, "ICMS_vBC", "50.00");
    Set(section, "ICMS_pICMS", "17.00");
    Set(section, "ICMS_vICMS", "8.50");
    Set(section, "IPI_vIPI", "5.00");
    Set(section, "IPI_pIPI", "10.00");
    Set("DadosNota", "num_itens_na_nota", std::to_string(items_));
  }
  // Items coded by Code(n), n counting on from the items already there.
  void AddItems(int count) {
    for (int i = 0; i < count; ++i) {
      AddItem(Code(items_ + 1), "PRODUTO " + std::to_string(items_ + 1));
    }
  }
  // "P0001" .. "P9999": distinct codes none of which contains another.
  static std::string Code(int n) {
    std::string digits = std::to_string(n);
    return "P" + std::string(4 - std::min<size_t>(4, digits.size()), '0') + digits;
  }

  int items() const { return items_; }
  std::string Text() const {
    std::string text;
    for (const auto& [section, keys] : sections_) {
      text += "[" + section + "]\n";
      for (const auto& [k, v] : keys) text += k + "=" + v + "\n";
    }
    return text;
  }
  invoice::IniFile Parse() const { return invoice::IniFile::Parse(Text()); }

 private:
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> sections_;
  int items_ = 0;
};

}  // namespace danfe::testing
