// The platform's base exception and the errors the platform itself raises.
#pragma once

#include <exception>
#include <string>

namespace xnd {

// Base of every exception the library raises: a message and a help context,
// and the class name as the exception logs write it.
class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(std::string aMessage) : FMessage(std::move(aMessage)) {}

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string aMessage) { FMessage = std::move(aMessage); }
  int HelpContext() const noexcept { return FHelpContext; }
  void SetHelpContext(int aValue) noexcept { FHelpContext = aValue; }

  virtual const char* ClassName() const noexcept { return "Exception"; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
  int FHelpContext = 0;
};

// A text that is not a number where one is required ("'abc' is not a valid integer value").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};

// A file or directory operation of the platform failed; ErrorCode is the
// system's errno (0 when not known).
class EInOutError : public Exception {
 public:
  using Exception::Exception;
  EInOutError(std::string aMessage, int aErrorCode)
      : Exception(std::move(aMessage)), FErrorCode(aErrorCode) {}
  const char* ClassName() const noexcept override { return "EInOutError"; }
  int ErrorCode() const noexcept { return FErrorCode; }

 private:
  int FErrorCode = 0;
};

// An error reported by an automation server: carries the server's message.
class EOleException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EOleException"; }
};

// An automation server could not be created.
class EOleSysError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EOleSysError"; }
};

}  // namespace xnd
