#include "app/run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "invoice/error.h"
#include "invoice/ini_reader.h"

namespace app {
namespace {

struct FakeUi : Ui {
  std::vector<std::string> shown;
  void ShowMessage(const std::string& text) override { shown.push_back("message: " + text); }
  void ShowError(const std::string& text) override { shown.push_back("error: " + text); }
  void KeepMainWindowOpen() override { shown.push_back("main window"); }
};

class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    dir_ = std::filesystem::temp_directory_path() / ("run_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  ~RunTest() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& bytes) {
    const auto file = dir_ / "nota.ini";
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

  // Runs with the arguments; returns the exit status, and what was shown and
  // built in `log`.
  int Run(const std::vector<std::string>& args,
          const std::function<void(const invoice::IniFile&)>& step = {}) {
    log.clear();
    ui.shown.clear();
    const int status = FormCreate(args, ui, [&](const invoice::IniFile& data) {
      log.push_back("print danfe");
      if (step) step(data);
    });
    for (auto& s : ui.shown) log.push_back(s);
    return status;
  }

  std::filesystem::path dir_;
  FakeUi ui;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(RunTest, BadArguments) {
  EXPECT_EQ(Run({}), kExitBadArgument);
  EXPECT_EQ(log, (Log{"message: Parâmetro Inválido"}));
  EXPECT_EQ(Run({"", Write("")}), kExitBadArgument);
  EXPECT_EQ(log, (Log{"message: Parâmetro Inválido"}));
  EXPECT_EQ(Run({"/no/such/nota.ini"}), kExitBadArgument);
  EXPECT_EQ(log, (Log{"message: O Arquivo informado \"/no/such/nota.ini\"  não existe"}));
  EXPECT_EQ(Run({dir_.string()}), kExitBadArgument);
  EXPECT_EQ(log, (Log{"message: O Arquivo informado \"" + dir_.string() + "\"  não existe"}));
  EXPECT_EQ(Run({"relative path/ação.ini"}), kExitBadArgument);
  EXPECT_EQ(log, (Log{"message: O Arquivo informado \"relative path/ação.ini\"  não existe"}));
}

TEST_F(RunTest, PrintingRule) {
  struct Case {
    const char* file;
    bool built;
  };
  const Case cases[] = {
      {"", true},
      {"[CHAVEACESSO]\nID=\n", true},
      {"[chaveacesso]\nid=4324\n", false},
      {"[ProtocoloRecebimento]\nnProt=143240000012345\n", false},
      {"[CHAVEACESSO]\nID=\n[ProtocoloRecebimento]\nnProt=1\n", false},
      {"[ProtocoloRecebimento]\nnProt=\n", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run({Write(c.file), "ignored"}), kExitOk) << c.file;
    EXPECT_EQ(log, c.built ? Log{"print danfe"} : Log{}) << c.file;
  }
}

TEST_F(RunTest, FailedStepShowsTheErrorBoxAndKeepsTheWindow) {
  const std::string file = Write("[ide]\nserie=\n");
  EXPECT_EQ(
      Run({file},
          [](const invoice::IniFile&) { throw invoice::Error("'' is not a valid integer value"); }),
      kExitFailed);
  EXPECT_EQ(log, (Log{"print danfe", "error: '' is not a valid integer value.", "main window"}));
  Run({file}, [](const invoice::IniFile&) { throw std::runtime_error("Barcode must be numeric"); });
  EXPECT_EQ(log, (Log{"print danfe", "error: Barcode must be numeric.", "main window"}));
}

TEST(ErrorBoxTextTest, FullStopOnlyAfterCharactersBeyondIt) {
  EXPECT_EQ(ErrorBoxText("abc"), "abc.");
  EXPECT_EQ(ErrorBoxText("ends."), "ends.");
  EXPECT_EQ(ErrorBoxText("ends!"), "ends!");  // "!" comes before "."
  EXPECT_EQ(ErrorBoxText("ends 1"), "ends 1.");
  EXPECT_EQ(ErrorBoxText("'x'"), "'x'");  // "'" comes before "." too
  EXPECT_EQ(ErrorBoxText("n\xE3o"), "não.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace app
