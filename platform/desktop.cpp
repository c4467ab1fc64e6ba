#include "platform/desktop.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <cstdio>

namespace platform {

namespace {

// Qt's own notes about the session (a missing runtime folder, say) are not
// the user's business; its warnings and errors still reach standard error.
void FilterQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (message.contains(QLatin1String("XDG_RUNTIME_DIR"))) return;
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

void StartApplication() {
  if (QCoreApplication::instance()) return;
  qInstallMessageHandler(FilterQtMessages);
  if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The application name, not a display name: Qt would append a display
  // name to every window title.
  QApplication::setApplicationName(QStringLiteral("Danfe"));
  static int argc = 1;
  static char name[] = "danfe";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(true);
  (void)app;
}

void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
  if (!HasDisplay()) {
    PrintMessageLine(caption, text);
    return;
  }
  QMessageBox box(icon == MessageIcon::kError ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
}

void ShowMainWindowUntilClosed() {
  if (!HasDisplay()) return;
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("DANFE"));
  window.setGeometry(109, 117, 866, 552);
  window.show();
  QApplication::exec();
}

}  // namespace platform
