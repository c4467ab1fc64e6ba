// The layouts that the emitter and the [Danfe] options choose: one fixture
// per row of the decision, with the states and texts of the elements it
// changes, and a look at the sheets of the two that change the item grid and
// the emitter block most.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <optional>

#include "danfe/danfe.h"
#include "danfe/test_invoice.h"

namespace danfe {
namespace {

using report::Mm;
using report::Px;
using report::Tenths;
using testing::InvoiceFile;

// A desktop whose program folder may hold the logo named by the invoice.
class Desktop : public Services {
 public:
  explicit Desktop(bool logo) : folder_(std::filesystem::temp_directory_path() / "danfe-logo") {
    std::filesystem::create_directories(folder_);
    std::ofstream(folder_ / "logo.bmp") << "BM";
    if (!logo) folder_ /= "without-logo";
  }
  std::filesystem::path ProgramFolder() override { return folder_; }
  report::Picture LoadPicture(const std::filesystem::path&) override {
    return report::Picture(report::RgbaImage{.width = 2, .height = 1, .pixels = {0, 0}});
  }
  void ShowLogoError() override { ADD_FAILURE() << "logo error"; }

 private:
  std::filesystem::path folder_;
};

struct Printed {
  Desktop desktop;
  Danfe danfe;
  invoice::IniFile data;
  report::Document doc;

  Printed(const InvoiceFile& file, bool logo)
      : desktop(logo),
        danfe(std::make_shared<report::FixedFontMetrics>(), desktop),
        data(file.Parse()) {
    danfe.Fill(data);
    danfe.set_total_sheets(static_cast<int>(danfe.report().Run().pages.size()));
    doc = danfe.report().Run();
  }
};

InvoiceFile WithLogo() {
  InvoiceFile file;
  file.AddItems(3);
  file.Set("DadosNota", "NomeLogoDanfe", "logo.bmp");
  return file;
}

// What one element shows; unset members are not checked.
struct State {
  std::string element;
  std::optional<bool> enabled = {};
  std::optional<std::string> caption = {};
  std::optional<Tenths> top = {};
  std::optional<Tenths> width = {};
  std::optional<Tenths> height = {};
};

const std::string kName = "IND\xDASTRIA DE M\xD3VEIS SUL LTDA";
const std::string kFantasy = "M\xD3VEIS SUL";
const std::string kAddress = "RUA A, 100 CENTRO - PORTO ALEGRE - RS - Cep: 90000-000";
const std::string kSiteAddress = kAddress + "\r\nsite: www.trevanequipamentos.com.br";

std::vector<State> DescriptionColumn(bool final_price) {
  std::vector<State> states = {
      {.element = "QRDBTextNomeProduto", .width = final_price ? Px(294) : Px(348)}};
  for (const char* name :
       {"QRShapePrecoFinal", "QRLabelPTotal", "QRShapePrecoFinal2", "QRDBTextPTotal"}) {
    states.push_back({.element = name, .enabled = final_price});
  }
  return states;
}

std::vector<State> EmitterBlock(const std::string& name, const std::string& fantasy,
                                bool site_layout) {
  return {
      {.element = "QRLRazao_Emit",
       .caption = name,
       .top = Mm(1.6),
       .height = site_layout ? Px(57) : Mm(7.7)},
      {.element = "QRLabelFantisiaEmit", .caption = fantasy},
      {.element = "QRLEndereco_Emit",
       .caption = site_layout ? kSiteAddress : kAddress,
       .top = site_layout ? Px(59) : Mm(29.5),
       .height = site_layout ? Px(74) : Mm(9.6)},
  };
}

std::vector<State> ExitDateAndHour(bool shown) {
  return {{.element = "QRLDataEntrada", .caption = shown ? "03/01/2013" : ""},
          {.element = "QRLHoraSaida", .caption = shown ? "14:30:00" : ""}};
}

// The logo's box and the two lines under it; without the wide logo the
// second lines are off once a logo has loaded, and on but empty without one.
std::vector<State> LogoBlock(bool wide, std::optional<bool> second_lines, const std::string& name,
                             const std::string& fantasy) {
  return {
      {.element = "QRImageLogoEmp",
       .width = wide ? Px(416) : Mm(35.9),
       .height = wide ? Px(112) : Mm(22.5)},
      {.element = "QRLRazao_Emit2", .enabled = second_lines, .caption = name},
      {.element = "QRLabelFantisiaEmit2", .enabled = second_lines, .caption = fantasy},
      {.element = "QRLRazao_Emit", .enabled = !wide},
      {.element = "QRLabelFantisiaEmit", .enabled = !wide},
  };
}

struct Case {
  std::string name;
  std::function<void(InvoiceFile&)> change;
  bool logo;
  std::vector<std::vector<State>> states;
  Tenths heading_height = Px(23);
};

void Check(const Case& c) {
  InvoiceFile file = WithLogo();
  c.change(file);
  Printed p(file, c.logo);
  report::Report& r = p.danfe.report();
  EXPECT_EQ(r.band("QRChildBandDescricaoItens").height(), c.heading_height) << c.name;
  for (const std::vector<State>& group : c.states) {
    for (const State& s : group) {
      const report::Element& e = r.element(s.element);
      const std::string what = c.name + ": " + s.element;
      if (s.enabled) {
        EXPECT_EQ(e.enabled(), *s.enabled) << what;
      }
      if (s.caption) {
        EXPECT_EQ(r.label(s.element).caption(), *s.caption) << what;
      }
      if (s.top) {
        EXPECT_NEAR(e.box().top.value(), s.top->value(), 1e-9) << what;
      }
      if (s.width) {
        EXPECT_NEAR(e.box().width.value(), s.width->value(), 1e-9) << what;
      }
      if (s.height) {
        EXPECT_NEAR(e.box().height.value(), s.height->value(), 1e-9) << what;
      }
    }
  }
}

void SetKey(InvoiceFile& f, const char* section, const char* key, const char* value) {
  if (value) {
    f.Set(section, key, value);
  } else {
    f.Remove(section, key);
  }
}

TEST(VariantsTest, EmitterNamesAndOptionsChooseTheLayout) {
  const auto fantasy = [](const char* xfant, const char* option) {
    return [=](InvoiceFile& f) {
      SetKey(f, "emit", "xFant", xfant);
      SetKey(f, "Danfe", "Fantasia", option);
    };
  };
  const auto option = [](const char* key, const char* value) {
    return [=](InvoiceFile& f) { SetKey(f, "Danfe", key, value); };
  };
  const Case cases[] = {
      {"default",
       [](InvoiceFile& f) { f.Set("DadosNota", "NomeLogoDanfe", ""); },
       false,
       {DescriptionColumn(false), EmitterBlock(kName, kFantasy, false), ExitDateAndHour(true),
        LogoBlock(false, true, "", "")}},
      {"VALMORE",
       fantasy("VALMORE", nullptr),
       true,
       {DescriptionColumn(true), EmitterBlock(kName, "VALMORE", false)}},
      {"valmore is another emitter",
       fantasy("valmore", nullptr),
       true,
       {DescriptionColumn(false), EmitterBlock(kName, "valmore", false)}},
      {"VALMORE without its fantasy name shown",
       fantasy("VALMORE", "N"),
       true,
       {DescriptionColumn(true), EmitterBlock(kName, "", false)}},
      {"no fantasy name", fantasy(nullptr, nullptr), true, {DescriptionColumn(false)}},
      {"TREVANEQUIPAMENTOS",
       fantasy("TREVANEQUIPAMENTOS", nullptr),
       true,
       {DescriptionColumn(false), EmitterBlock(kName, "", true)}},
      {"TREVANEQUIPAMENTOS, Fantasia S",
       fantasy("TREVANEQUIPAMENTOS", "S"),
       true,
       {EmitterBlock(kName, "", true)}},
      {"TREVANEQUIPAMENTOS, Fantasia N",
       fantasy("TREVANEQUIPAMENTOS", "N"),
       true,
       {EmitterBlock(kName, "", false)}},
      {"TREVANEQUIPAMENTOS, Fantasia s",
       fantasy("TREVANEQUIPAMENTOS", "s"),
       true,
       {EmitterBlock(kName, "", false)}},
      {"trevanequipamentos",
       fantasy("trevanequipamentos", nullptr),
       true,
       {EmitterBlock(kName, "trevanequipamentos", false)}},
      {"Fantasia N", option("Fantasia", "N"), true, {EmitterBlock(kName, "", false)}},
      {"Fantasia empty", option("Fantasia", ""), true, {EmitterBlock(kName, "", false)}},
      {"Razao N", option("Razao", "N"), true, {EmitterBlock("", kFantasy, false)}},
      {"Razao s", option("Razao", "s"), true, {EmitterBlock("", kFantasy, false)}},
      {"Razao S", option("Razao", "S"), true, {EmitterBlock(kName, kFantasy, false)}},
      {"Preview S", option("Preview", "S"), true, {}, Px(3)},
      {"Preview s", option("Preview", "s"), true, {}, Px(23)},
      {"Preview N", option("Preview", "N"), true, {}, Px(23)},
  };
  for (const Case& c : cases) Check(c);
}

TEST(VariantsTest, CnpjAndOptionsHideTheExitDateAndHour) {
  const auto exit = [](const char* cnpj, const char* hide) {
    return [=](InvoiceFile& f) {
      f.Set("emit", "CNPJ", cnpj);
      SetKey(f, "Danfe", "OcultarSaida", hide);
    };
  };
  const Case cases[] = {
      {"48273915000162", exit("48273915000162", nullptr), false, {ExitDateAndHour(false)}},
      {"48273915000162, N", exit("48273915000162", "N"), false, {ExitDateAndHour(false)}},
      {"48273915000162, S", exit("48273915000162", "S"), false, {ExitDateAndHour(false)}},
      {"other CNPJ, S", exit("12345678000195", "S"), false, {ExitDateAndHour(false)}},
      {"other CNPJ, s", exit("12345678000195", "s"), false, {ExitDateAndHour(true)}},
      {"other CNPJ, N", exit("12345678000195", "N"), false, {ExitDateAndHour(true)}},
      {"other CNPJ", exit("12345678000195", nullptr), false, {ExitDateAndHour(true)}},
      {"punctuated", exit("48.273.915/0001-62", nullptr), false, {ExitDateAndHour(true)}},
  };
  for (const Case& c : cases) Check(c);
}

TEST(VariantsTest, TheWideLogoMovesTheNamesUnderIt) {
  const auto emitter = [](const char* cnpj, std::function<void(InvoiceFile&)> more = {}) {
    return [=](InvoiceFile& f) {
      f.Set("emit", "CNPJ", cnpj);
      if (more) more(f);
    };
  };
  const Case cases[] = {
      {"27364819000145 with logo",
       emitter("27364819000145"),
       true,
       {LogoBlock(true, true, kName, kFantasy), DescriptionColumn(false)}},
      {"27364819000145 without logo",
       emitter("27364819000145"),
       false,
       {LogoBlock(false, true, "", "")}},
      {"27364819000145, Razao N",
       emitter("27364819000145", [](InvoiceFile& f) { f.Set("Danfe", "Razao", "N"); }),
       true,
       {LogoBlock(true, true, "", kFantasy)}},
      // The copies are made in the pass, after the fantasy name was emptied.
      {"27364819000145, TREVANEQUIPAMENTOS",
       emitter("27364819000145",
               [](InvoiceFile& f) { f.Set("emit", "xFant", "TREVANEQUIPAMENTOS"); }),
       true,
       {LogoBlock(true, true, kName, ""), EmitterBlock(kName, "", true)}},
      {"other CNPJ with logo", emitter("12345678000195"), true, {LogoBlock(false, false, "", "")}},
      {"punctuated", emitter("27.364.819/0001-45"), true, {LogoBlock(false, false, "", "")}},
  };
  for (const Case& c : cases) Check(c);
}

std::vector<report::TextRun> Runs(const report::Page& page) {
  std::vector<report::TextRun> runs;
  for (const report::PageItem& item : page.items()) {
    if (const auto* t = std::get_if<report::TextRun>(&item)) runs.push_back(*t);
  }
  return runs;
}

bool PrintedAt(const report::Page& page, const std::string& text, double x, double baseline) {
  for (const report::TextRun& t : Runs(page)) {
    if (t.bytes == text && std::abs(t.x.mm() - x) < 0.005 &&
        std::abs(t.baseline.mm() - baseline) < 0.005) {
      return true;
    }
  }
  return false;
}

bool Drawn(const report::Page& page, const std::string& text) {
  for (const report::TextRun& t : Runs(page)) {
    if (t.bytes == text) return true;
  }
  return false;
}

TEST(VariantsTest, TheFinalPriceColumnOnEverySheet) {
  InvoiceFile file;
  file.Set("emit", "xFant", "VALMORE");
  file.AddItem("P0001", "CADEIRA");
  file.Set("det nItem=1", "vUnCom", "12.5");
  file.AddItems(29);
  Printed p(file, false);
  ASSERT_EQ(p.doc.pages.size(), 2u);
  for (const report::Page& page : p.doc.pages) {
    const double heading = page.number() == 1 ? 151.9 : 60.1;
    EXPECT_TRUE(PrintedAt(page, "P. FINAL", 7.0 + 72.2, heading + 1.5)) << page.number();
    int rules = 0;
    for (const report::PageItem& item : page.items()) {
      const auto* l = std::get_if<report::Line>(&item);
      if (l && std::abs(l->x1.mm() - (7.0 + 71.05)) < 0.005) ++rules;
    }
    // One in the headings and one per row: 27 rows on sheet 1, 3 on sheet 2.
    EXPECT_EQ(rules, page.number() == 1 ? 28 : 4) << page.number();
  }
  // Four decimals with the comma, right-aligned at 79.7 mm.
  EXPECT_TRUE(PrintedAt(p.doc.pages[0], "12,5000", 7.0 + 79.7 - 7 * 0.6, 156.2 + 0.2 + 1.8));
  EXPECT_TRUE(PrintedAt(p.doc.pages[0], "25,0000", 7.0 + 79.7 - 7 * 0.6, 159.2 + 0.2 + 1.8));
}

TEST(VariantsTest, WideLogoSheetsShowTheNamesAsTwoPlainLines) {
  InvoiceFile file = WithLogo();
  file.Set("emit", "CNPJ", "27364819000145");
  file.AddItems(30);
  Printed p(file, true);
  ASSERT_EQ(p.doc.pages.size(), 2u);
  for (const report::Page& page : p.doc.pages) {
    const double top = page.number() == 1 ? 24.1 : 6.0;
    EXPECT_TRUE(PrintedAt(page, kFantasy, 7.0 + 0.6, top + 22.1 + 2.4)) << page.number();
    EXPECT_TRUE(PrintedAt(page, kName, 7.0 + 0.6, top + 25.5 + 2.4)) << page.number();
    int centred = 0;
    for (const report::TextRun& t : Runs(page)) centred += t.bytes == kName && t.font.bold;
    EXPECT_EQ(centred, 0) << page.number();
  }
}

TEST(VariantsTest, WithoutAVariantTheSheetsShowNoneOfItsTexts) {
  InvoiceFile file = WithLogo();
  file.AddItems(30);
  Printed p(file, true);
  for (const report::Page& page : p.doc.pages) {
    EXPECT_FALSE(Drawn(page, "P. FINAL"));
    EXPECT_TRUE(Drawn(page, kName));
    EXPECT_TRUE(Drawn(page, kAddress));
  }
}

}  // namespace
}  // namespace danfe
