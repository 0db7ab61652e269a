#include "app/xndApplication.h"

#include <QMessageBox>

namespace xnd::app {

namespace {

TExceptionHandler& CurrentHandler() {
  static TExceptionHandler handler;
  return handler;
}

}  // namespace

void ShowExceptionMessage(const std::string& aMessage) {
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(),
                        QString::fromStdString(aMessage));
}

TExceptionHandler SetExceptionHandler(TExceptionHandler aHandler) {
  TExceptionHandler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(aHandler);
  return previous;
}

void HandleException(const std::exception& aException) {
  const TExceptionHandler& handler = CurrentHandler();
  if (handler) {
    handler(aException.what());
  } else {
    ShowExceptionMessage(aException.what());
  }
}

TApplication::TApplication(int& aArgc, char** aArgv) : QApplication(aArgc, aArgv) {}

bool TApplication::notify(QObject* aReceiver, QEvent* aEvent) {
  try {
    return QApplication::notify(aReceiver, aEvent);
  } catch (const std::exception& e) {
    HandleException(e);
  }
  return false;
}

}  // namespace xnd::app
