// Windows of the program on a virtual X server: the message boxes, the
// print dialog and the preview, looked at from outside (the program itself)
// and from inside (the platform's dialogs with their widgets).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <memory>

#include "platform/desktop.h"
#include "platform/printing.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

Xvfb* screen = nullptr;
PrivateCups* cups = nullptr;

std::string Invoice(int items, const std::string& danfe_section) {
  std::string file =
      danfe_section + "[DadosNota]\nnum_itens_na_nota=" + std::to_string(items) + "\n";
  for (int i = 1; i <= items; ++i)
    file += "[det nItem=" + std::to_string(i) + "]\ncProd=P" + std::to_string(i) +
            "\nvUnCom=1.00\nvProd=1.00\n";
  return file;
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!cups) GTEST_SKIP() << "a private cupsd needs root";
    cups->Clear();
  }
  std::unique_ptr<Background> Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {DanfeBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<Background>(
        argv, std::map<std::string, std::string>{{"DISPLAY", screen->display()},
                                                 {"CUPS_SERVER", cups->server()},
                                                 {"QT_QPA_PLATFORM", "xcb"}});
  }
  TempDir dir_;
};

TEST_F(GuiTest, MessageBoxWaitsForOk) {
  auto program = Start({});
  const unsigned long box = FindWindow(screen->display(), "^Danfe$");
  ASSERT_NE(box, 0u) << "no message box";
  Screenshot(screen->display(), TestOutputDir() / "message-parametro-invalido.png");
  EXPECT_EQ(program->Wait(1), -1) << "the program must wait for OK";
  PressKeys(screen->display(), box, "Return");
  EXPECT_EQ(program->Wait(10), 2);
}

TEST_F(GuiTest, FailedStepLeavesTheEmptyWindowUntilClosed) {
  auto program = Start({dir_.Write("nota.ini", "[ide]\nserie=\n").string()});
  const unsigned long box = FindWindow(screen->display(), "^Danfe$");
  ASSERT_NE(box, 0u) << "no error box";
  Screenshot(screen->display(), TestOutputDir() / "error-box.png");
  PressKeys(screen->display(), box, "Return");
  const unsigned long main_window = FindWindow(screen->display(), "^DANFE$");
  ASSERT_NE(main_window, 0u) << "no main window";
  EXPECT_EQ(program->Wait(1), -1) << "the window must stay until closed";
  CloseWindow(screen->display(), main_window);
  EXPECT_EQ(program->Wait(10), 1);
}

TEST_F(GuiTest, CancelledPrintDialogPrintsNothing) {
  auto program = Start({dir_.Write("nota.ini", Invoice(85, "")).string()});
  const unsigned long dialog = FindWindow(screen->display(), "^Imprimir DANFE$");
  ASSERT_NE(dialog, 0u) << "no print dialog";
  Screenshot(screen->display(), TestOutputDir() / "print-dialog.png");
  PressKeys(screen->display(), dialog, "Escape");
  EXPECT_EQ(program->Wait(10), 0);
  EXPECT_TRUE(cups->Pdfs("Default").empty());
  EXPECT_TRUE(cups->Pdfs("PDFCreator").empty());
}

TEST_F(GuiTest, ClosingThePreviewEndsTheRun) {
  auto program = Start({dir_.Write("nota.ini", Invoice(30, "[Danfe]\nPreview=S\n")).string()});
  const unsigned long preview = FindWindow(screen->display(), "DANFE");
  ASSERT_NE(preview, 0u) << "no preview window";
  EXPECT_NE(WindowState(screen->display(), preview).find("_NET_WM_STATE_MAXIMIZED_VERT"),
            std::string::npos);
  Screenshot(screen->display(), TestOutputDir() / "preview.png");
  EXPECT_EQ(program->Wait(1), -1);
  CloseWindow(screen->display(), preview);
  EXPECT_EQ(program->Wait(10), 0);
  EXPECT_TRUE(cups->Pdfs("Default").empty());
}

// The platform's dialogs from inside, in this process.
report::Document Pages(int n) {
  report::Document document{
      .page_width = report::Mm(210), .page_height = report::Mm(297), .title = "DANFE", .pages = {}};
  for (int i = 1; i <= n; ++i) document.pages.emplace_back(i, std::vector<report::PageItem>{});
  return document;
}

TEST_F(GuiTest, PrintDialogOffersThePagesOfThePass) {
  bool seen = false;
  QTimer::singleShot(300, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no print dialog";
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
      return;
    }
    seen = true;
    EXPECT_EQ(dialog->minPage(), 1);
    EXPECT_EQ(dialog->maxPage(), 3);
    EXPECT_EQ(dialog->printRange(), QAbstractPrintDialog::AllPages);
    EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintSelection));
    EXPECT_TRUE(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_EQ(dialog->printer()->printerName(), "Default");
    EXPECT_EQ(dialog->printer()->fromPage(), 1);
    EXPECT_EQ(dialog->printer()->toPage(), 3);
    EXPECT_EQ(dialog->printer()->copyCount(), 1);
    EXPECT_EQ(dialog->printer()->pageLayout().orientation(), QPageLayout::Portrait);
    dialog->accept();
  });
  platform::PrintRequest request;
  EXPECT_TRUE(platform::RunPrintDialog(request, 3, "showSetup=S"));
  EXPECT_TRUE(seen);
  EXPECT_EQ(request.printer, "Default");
  EXPECT_EQ(request.first_page, 0);  // all pages
  EXPECT_EQ(request.last_page, 0);
  EXPECT_EQ(request.copies, 1);

  QTimer::singleShot(300, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  EXPECT_FALSE(platform::RunPrintDialog(request, 3, "showSetup=S"));
}

// The preview's top-level window, once it is shown.
QWidget* PreviewWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->findChild<QPrintPreviewWidget*>()) return w;
  return nullptr;
}

TEST_F(GuiTest, PreviewOpensMaximisedAt140PercentOnTheFirstPage) {
  bool seen = false;
  // Whatever happens below, the window goes after a while so the test ends.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] {
    if (QWidget* w = PreviewWindow()) w->close();
  });
  guard.start(15000);
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    QWidget* window = PreviewWindow();
    if (!window) return;
    probe.stop();
    seen = true;
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(window->windowTitle().contains("DANFE"));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    auto* view = window->findChild<QPrintPreviewWidget*>();
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.4);
    EXPECT_EQ(view->currentPage(), 1);
    EXPECT_EQ(view->pageCount(), 4);
    EXPECT_EQ(view->viewMode(), QPrintPreviewWidget::SinglePageView);
    // Its print button prints every sheet on the default printer.
    for (QAction* action : window->findChildren<QAction*>())
      if (action->text() == QStringLiteral("Imprimir")) action->trigger();
    window->close();
  });
  probe.start(100);
  std::vector<platform::PrintRequest> printed;
  platform::RunPreview(
      Pages(4), [&](const platform::PrintRequest& request) { printed.push_back(request); },
      "Preview=S");
  EXPECT_TRUE(seen);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].printer, "");
  EXPECT_EQ(printed[0].first_page, 0);
  EXPECT_EQ(printed[0].last_page, 0);
}

}  // namespace
}  // namespace e2e

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<e2e::Xvfb> xvfb;
  std::unique_ptr<e2e::PrivateCups> print_server;
  // Listing the tests needs no server.
  const bool listing = ::testing::GTEST_FLAG(list_tests);
  if (!listing && ::geteuid() == 0) {
    xvfb = std::make_unique<e2e::Xvfb>();
    print_server = std::make_unique<e2e::PrivateCups>(
        std::vector<std::string>{"PDFCreator", "Default"}, "Default");
    e2e::screen = xvfb.get();
    e2e::cups = print_server.get();
    setenv("DISPLAY", xvfb->display().c_str(), 1);
    setenv("CUPS_SERVER", print_server->server().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  if (!listing) platform::StartApplication();
  return RUN_ALL_TESTS();
}
