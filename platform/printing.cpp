#include "platform/printing.h"

#include <QAbstractPrintDialog>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "invoice/cp1252.h"
#include "platform/desktop.h"
#include "platform/output.h"
#include "platform/painter.h"
#include "platform/print_server.h"

namespace platform {
namespace {

std::string NeedsWindow(const std::string& option) {
  return "A op\u00e7\u00e3o " + option +
         " precisa de uma janela, mas n\u00e3o h\u00e1 tela gr\u00e1fica (DISPLAY); nada foi "
         "impresso";
}

// Like every error message of the program, print errors carry Windows-1252.
[[noreturn]] void Fail(const std::string& utf8) { throw PrintError(invoice::Utf8ToCp1252(utf8)); }

void ShowError(const std::exception& e) {
  ShowMessage("Danfe", invoice::Cp1252ToUtf8(e.what()), MessageIcon::kError);
}

std::string NoAnswer(bool job_sent) {
  return "O servidor de impress\u00e3o n\u00e3o respondeu em " +
         std::to_string(kPrintSystemSeconds) + " segundos; o DANFE " +
         (job_sent ? "pode n\u00e3o ter sido impresso" : "n\u00e3o foi impresso");
}

bool InRange(int page, int first, int last) {
  return (first == 0 || page >= first) && (last == 0 || page <= last);
}

// A printer set up for our pages: A4 or the document's size, coordinates
// from the sheet's corner.
void SetUpPrinter(QPrinter& printer, const report::Document& document, bool landscape) {
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QSizeF(document.page_width.mm(), document.page_height.mm()),
                                QPageSize::Millimeter));
  printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  printer.setDocName(QString::fromStdString(document.title));
}

// Paints the pages in range; false when the user cancelled.
bool PaintPages(QPrinter& printer, const report::Document& document, int first, int last) {
  std::vector<const report::Page*> pages;
  for (const report::Page& page : document.pages)
    if (InRange(page.number(), first, last)) pages.push_back(&page);
  if (pages.empty()) return true;

  std::unique_ptr<QProgressDialog> progress;
  if (HasDisplay()) {
    progress = std::make_unique<QProgressDialog>(
        QStringLiteral("Imprimindo %1...").arg(QString::fromStdString(document.title)),
        QStringLiteral("Cancelar"), 0, static_cast<int>(pages.size()));
    progress->setWindowTitle(QStringLiteral("Danfe"));
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setMinimumDuration(0);
    progress->setValue(0);
  }
  QPainter painter;
  if (!painter.begin(&printer)) {
    Fail("N\u00e3o foi poss\u00edvel iniciar a impress\u00e3o na impressora \"" +
         printer.printerName().toStdString() + "\"");
  }
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const QRectF page_rect = printer.pageRect(QPrinter::DevicePixel);
  const QTransform to_device =
      TenthsToDevice(printer.logicalDpiX(), printer.logicalDpiY(), page_rect.left() - paper.left(),
                     page_rect.top() - paper.top());
  for (size_t i = 0; i < pages.size(); ++i) {
    if (progress) {
      progress->setValue(static_cast<int>(i));
      QApplication::processEvents();
      if (progress->wasCanceled()) {
        printer.abort();
        return false;
      }
    }
    if (i > 0) printer.newPage();
    PaintPage(*pages[i], painter, to_device);
  }
  {
    // Ending the painter hands the job to the print server.
    const Deadline deadline(kPrintSystemSeconds, NoAnswer(true));
    painter.end();
  }
  if (progress) progress->setValue(static_cast<int>(pages.size()));
  if (printer.printerState() == QPrinter::Error) {
    Fail("A impressora \"" + printer.printerName().toStdString() +
         "\" recusou o trabalho de impress\u00e3o");
  }
  return true;
}

}  // namespace

std::vector<std::string> PrinterNames() {
  // Qt's list waits minutes for a server that takes connections but has
  // stopped answering: the server is asked first, within its own bound.
  const PrintServer server;
  const Deadline deadline(kPrintSystemSeconds, NoAnswer(false));
  std::vector<std::string> names;
  for (const QString& name : QPrinterInfo::availablePrinterNames())
    names.push_back(name.toStdString());
  return names;
}

std::string DefaultPrinterName() { return QPrinterInfo::defaultPrinterName().toStdString(); }

PrintOutcome PrintDocument(const report::Document& document, const PrintRequest& request) {
  // First the server itself, so that a server that is down is not taken for
  // one without printers.
  PrintServer server;
  std::unique_ptr<QPrinter> printer;  // made inside the deadline: it asks the server too
  std::string target;
  {
    const Deadline deadline(kPrintSystemSeconds, NoAnswer(false));
    const std::vector<std::string> names = PrinterNames();
    if (names.empty()) {
      Fail("Nenhuma impressora est\u00e1 instalada; o DANFE n\u00e3o foi impresso");
    }
    target = request.printer.empty() ? DefaultPrinterName() : request.printer;
    if (target.empty()) target = names.front();  // printers but no default: the first one
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPrinterName(QString::fromStdString(target));
    if (!printer->isValid()) {
      Fail("A impressora \"" + target + "\" n\u00e3o est\u00e1 dispon\u00edvel");
    }
  }
  server.CheckQueue(target);
  const int last_job = server.LastJob(target);
  SetUpPrinter(*printer, document, request.landscape);
  printer->setCopyCount(std::max(1, request.copies));
  if (!PaintPages(*printer, document, request.first_page, request.last_page)) {
    return PrintOutcome::kCancelled;
  }
  server.CheckSubmitted(target, last_job, document.title);
  return PrintOutcome::kPrinted;
}

bool RunPrintDialog(PrintRequest& request, int pages, const std::string& needs_window_option) {
  if (!HasDisplay()) Fail(NeedsWindow(needs_window_option));
  const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
  if (default_printer.isNull()) Fail("There is no default printer currently selected");

  QPrinter printer(default_printer, QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setCopyCount(1);
  printer.setFromTo(1, std::max(1, pages));
  QPrintDialog dialog(&printer);
  dialog.setWindowTitle(QStringLiteral("Imprimir DANFE"));
  dialog.setMinMax(1, std::max(1, pages));
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  if (dialog.exec() != QDialog::Accepted) return false;

  request.printer = printer.printerName().toStdString();
  // The printer may have gone while the dialog was open; the job must not
  // go to another one instead.
  const std::vector<std::string> names = PrinterNames();
  if (std::find(names.begin(), names.end(), request.printer) == names.end()) {
    Fail("A impressora \"" + request.printer +
         "\" n\u00e3o est\u00e1 dispon\u00edvel; o DANFE n\u00e3o foi impresso");
  }
  request.copies = printer.copyCount();
  request.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
  if (printer.printRange() == QPrinter::PageRange) {
    request.first_page = printer.fromPage();
    request.last_page = printer.toPage();
  } else {
    request.first_page = 0;
    request.last_page = 0;
  }
  return true;
}

void RunPreview(const report::Document& document,
                const std::function<void(const PrintRequest&)>& print,
                const std::string& needs_window_option) {
  if (!HasDisplay()) Fail(NeedsWindow(needs_window_option));

  QDialog window;
  window.setWindowTitle(QStringLiteral("Visualiza\u00e7\u00e3o - ") +
                        QString::fromStdString(document.title));
  window.setWindowFlags(Qt::Window);
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, document, false);
  auto* view = new QPrintPreviewWidget(&printer, &window);
  QObject::connect(view, &QPrintPreviewWidget::paintRequested, [&](QPrinter* device) {
    QPainter painter(device);
    const QTransform to_device = TenthsToDevice(device->logicalDpiX(), device->logicalDpiY());
    for (size_t i = 0; i < document.pages.size(); ++i) {
      if (i > 0) device->newPage();
      PaintPage(document.pages[i], painter, to_device);
    }
  });

  PrintRequest request;  // every page, default printer
  auto* bar = new QToolBar(&window);
  auto* page_box = new QSpinBox(bar);
  const int page_count = static_cast<int>(document.pages.size());
  page_box->setRange(1, std::max(1, page_count));
  page_box->setSuffix(QStringLiteral(" / %1").arg(page_count));
  auto* zoom_box = new QComboBox(bar);
  for (int percent : {50, 75, 100, 125, 140, 150, 200, 300}) {
    zoom_box->addItem(QStringLiteral("%1 %").arg(percent), percent / 100.0);
  }
  zoom_box->setCurrentIndex(4);

  auto go_to = [view, page_box](int page) {
    view->setCurrentPage(page);
    page_box->setValue(view->currentPage());
  };
  bar->addAction(QStringLiteral("Primeira"), [=] { go_to(1); });
  bar->addAction(QStringLiteral("Anterior"), [=] { go_to(view->currentPage() - 1); });
  bar->addWidget(page_box);
  bar->addAction(QStringLiteral("Pr\u00f3xima"), [=] { go_to(view->currentPage() + 1); });
  bar->addAction(QStringLiteral("\u00daltima"), [=] { go_to(view->pageCount()); });
  bar->addSeparator();
  bar->addAction(QStringLiteral("Reduzir"), [=] {
    view->zoomOut();
    zoom_box->setCurrentText(QStringLiteral("%1 %").arg(qRound(view->zoomFactor() * 100)));
  });
  bar->addWidget(zoom_box);
  bar->addAction(QStringLiteral("Ampliar"), [=] {
    view->zoomIn();
    zoom_box->setCurrentText(QStringLiteral("%1 %").arg(qRound(view->zoomFactor() * 100)));
  });
  bar->addSeparator();
  bar->addAction(QStringLiteral("Imprimir"), [&] {
    try {
      print(request);
    } catch (const std::exception& e) {
      ShowError(e);
    }
  });
  bar->addAction(QStringLiteral("Configurar impressora"), [&] {
    try {
      RunPrintDialog(request, page_count, needs_window_option);
    } catch (const std::exception& e) {
      ShowError(e);
    }
  });
  bar->addAction(QStringLiteral("Salvar PDF"), [&] {
    const QString path =
        QFileDialog::getSaveFileName(&window, QStringLiteral("Salvar DANFE"),
                                     QStringLiteral("DANFE.pdf"), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    try {
      WritePdf(document, path.toStdString());
    } catch (const std::exception& e) {
      ShowError(e);
    }
  });
  bar->addSeparator();
  bar->addAction(QStringLiteral("Fechar"), [&] { window.accept(); });

  QObject::connect(page_box, qOverload<int>(&QSpinBox::valueChanged),
                   [view](int page) { view->setCurrentPage(page); });
  QObject::connect(view, &QPrintPreviewWidget::previewChanged,
                   [view, page_box] { page_box->setValue(view->currentPage()); });
  QObject::connect(zoom_box, qOverload<int>(&QComboBox::activated), [view, zoom_box](int index) {
    view->setZoomMode(QPrintPreviewWidget::CustomZoom);
    view->setZoomFactor(zoom_box->itemData(index).toDouble());
  });

  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addWidget(view);
  view->setViewMode(QPrintPreviewWidget::SinglePageView);
  view->setZoomMode(QPrintPreviewWidget::CustomZoom);
  view->setZoomFactor(1.4);
  view->setCurrentPage(1);
  // The screen's size as well, for desktops without a window manager to
  // act on the maximised state.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window.setGeometry(screen->availableGeometry());
  }
  window.showMaximized();
  window.exec();
}

}  // namespace platform
