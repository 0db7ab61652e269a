#include "platform/com.h"

namespace xnd {

namespace {
thread_local int tInitCount = 0;
}

HRESULT CoInitializeThread() {
  return tInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitializeThread() {
  if (tInitCount > 0) --tInitCount;
}

int CoInitializeCount() { return tInitCount; }

ServerRegistry& ServerRegistry::Instance() {
  static ServerRegistry registry;
  return registry;
}

void ServerRegistry::Register(const std::string& aName, Factory aFactory) {
  const std::lock_guard lock(FMutex);
  FFactories[aName] = std::move(aFactory);
}

void ServerRegistry::RegisterDefault(const std::string& aName, const Factory& aFactory) {
  const std::lock_guard lock(FMutex);
  FFactories.try_emplace(aName, aFactory);
}

void ServerRegistry::Unregister(const std::string& aName) {
  const std::lock_guard lock(FMutex);
  FFactories.erase(aName);
}

bool ServerRegistry::IsRegistered(const std::string& aName) const {
  const std::lock_guard lock(FMutex);
  return FFactories.count(aName) != 0;
}

std::unique_ptr<IServer> ServerRegistry::Create(const std::string& aName) const {
  // A copy, called outside the lock: a factory may itself use the registry.
  const Factory factory = Find(aName);
  if (!factory) throw EOleSysError("Classe não registrada: " + aName);
  std::unique_ptr<IServer> server;
  try {
    server = factory();
  } catch (const Exception&) {
    throw;
  } catch (const std::exception& e) {
    throw EOleSysError(e.what());
  }
  if (!server) {
    throw EOleSysError("Não foi possível criar o servidor " + aName);
  }
  return server;
}

ServerRegistry::Factory ServerRegistry::Find(const std::string& aName) const {
  const std::lock_guard lock(FMutex);
  const auto it = FFactories.find(aName);
  return it == FFactories.end() ? Factory{} : it->second;
}

ScopedServerFactory::ScopedServerFactory(std::string aName, ServerRegistry::Factory aFactory)
    : FName(std::move(aName)), FPrevious(ServerRegistry::Instance().Find(FName)) {
  ServerRegistry::Instance().Register(FName, std::move(aFactory));
}

ScopedServerFactory::~ScopedServerFactory() {
  auto& registry = ServerRegistry::Instance();
  if (FPrevious) {
    registry.Register(FName, FPrevious);
  } else {
    registry.Unregister(FName);
  }
}

}  // namespace xnd
