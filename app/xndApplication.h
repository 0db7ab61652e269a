// The application object of the desktop tool and its default exception
// handler: an exception that leaves an event handler is shown in a message
// box and the program keeps running.
#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <string>

namespace xnd::app {

using TExceptionHandler = std::function<void(const std::string& aMessage)>;

// Shows aMessage in a message box.
void ShowExceptionMessage(const std::string& aMessage);
// Installs the handler of HandleException (empty: the message box); returns the previous one.
TExceptionHandler SetExceptionHandler(TExceptionHandler aHandler);
// Hands the exception's message to the current handler.
void HandleException(const std::exception& aException);

// Runs aAction; an exception goes to HandleException.
template <class F>
void RunGuarded(F&& aAction) {
  try {
    aAction();
  } catch (const std::exception& e) {
    HandleException(e);
  }
}

class TApplication : public QApplication {
 public:
  TApplication(int& aArgc, char** aArgv);

  // Delivers the event; an exception of a handler goes to HandleException.
  bool notify(QObject* aReceiver, QEvent* aEvent) override;
};

}  // namespace xnd::app
