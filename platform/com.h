// Stand-ins for the component object model: per-thread initialisation,
// automation booleans and the registry that creates the automation servers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/exception.h"

namespace xnd {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

// Initialises the object model for the calling thread. The first call of a
// thread answers S_OK, every further one S_FALSE; each must be matched by a
// CoUninitializeThread.
HRESULT CoInitializeThread();
void CoUninitializeThread();
// How many initialisations the calling thread holds.
int CoInitializeCount();

// Automation truth value: true is all bits set (-1), false is 0.
using VariantBool = int16_t;
inline constexpr VariantBool VARIANT_TRUE = -1;
inline constexpr VariantBool VARIANT_FALSE = 0;
constexpr VariantBool ToVariantBool(bool aValue) { return aValue ? VARIANT_TRUE : VARIANT_FALSE; }
constexpr bool FromVariantBool(VariantBool aValue) { return aValue != VARIANT_FALSE; }

// Common base of every automation server.
class IServer {
 public:
  virtual ~IServer() = default;
};

// Maps a server name ("xndGovX", "xndGovUtils") to the factory that creates it.
// The only process-wide mutable state of the library: a wrapper installs the
// default factory of its server when none is registered, and a test may
// register a fake or a failing one first. Every operation holds the
// registry's lock, so components on different threads may make their first
// server calls at the same time; a factory runs outside the lock.
class ServerRegistry {
 public:
  using Factory = std::function<std::unique_ptr<IServer>()>;

  static ServerRegistry& Instance();

  void Register(const std::string& aName, Factory aFactory);
  // Registers aFactory only when nothing is registered under aName.
  void RegisterDefault(const std::string& aName, const Factory& aFactory);
  void Unregister(const std::string& aName);
  bool IsRegistered(const std::string& aName) const;
  // The registered factory, empty when none.
  Factory Find(const std::string& aName) const;

  // Creates the server; EOleSysError when none is registered or the factory
  // fails (the factory's message is kept).
  std::unique_ptr<IServer> Create(const std::string& aName) const;

  template <class T>
  std::unique_ptr<T> CreateAs(const std::string& aName) const {
    std::unique_ptr<IServer> server = Create(aName);
    auto* typed = dynamic_cast<T*>(server.get());
    if (typed == nullptr) {
      throw EOleSysError("O servidor \"" + aName + "\" não oferece a interface esperada");
    }
    server.release();
    return std::unique_ptr<T>(typed);
  }

 private:
  mutable std::mutex FMutex;
  std::map<std::string, Factory> FFactories;
};

// Installs a factory for the lifetime of the object and restores what was
// registered before (tests).
class ScopedServerFactory {
 public:
  ScopedServerFactory(std::string aName, ServerRegistry::Factory aFactory);
  ~ScopedServerFactory();
  ScopedServerFactory(const ScopedServerFactory&) = delete;
  ScopedServerFactory& operator=(const ScopedServerFactory&) = delete;

 private:
  std::string FName;
  ServerRegistry::Factory FPrevious;
};

}  // namespace xnd
