#include "danfe/danfe.h"

#include <gtest/gtest.h>

#include "invoice/ini_reader.h"

namespace danfe {
namespace {

struct NoDesktop : Services {
  std::filesystem::path ProgramFolder() override { return "/nonexistent"; }
  report::Picture LoadPicture(const std::filesystem::path&) override {
    throw std::runtime_error("no pictures here");
  }
  void ShowLogoError() override { ++logo_errors; }
  int logo_errors = 0;
};

std::string Items(int n) {
  std::string file = "[DadosNota]\nnum_itens_na_nota=" + std::to_string(n) + "\n";
  for (int i = 1; i <= n; ++i)
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=" + std::to_string(i) +
            "\nvUnCom=1\nvProd=1\n";
  return file;
}

TEST(DanfeTest, SheetsFollowTheRows) {
  struct Case {
    int items;
    size_t pages;
  };
  for (const Case c :
       {Case{0, 1}, Case{25, 1}, Case{27, 1}, Case{28, 2}, Case{84, 2}, Case{85, 3}}) {
    NoDesktop desktop;
    Danfe danfe(std::make_shared<report::FixedFontMetrics>(), desktop);
    const invoice::IniFile data = invoice::IniFile::Parse(Items(c.items));
    danfe.Fill(data);
    const report::Document first = danfe.report().Run();
    EXPECT_EQ(first.pages.size(), c.pages) << c.items << " items";
    EXPECT_EQ(first.title, "DANFE");
    // A second pass gives the same pages, numbered from 1 again.
    const report::Document second = danfe.report().Run();
    ASSERT_EQ(second.pages.size(), c.pages);
    EXPECT_EQ(second.pages.front().number(), 1);
  }
}

}  // namespace
}  // namespace danfe
