// TComponent: an owner, a name, and the children it owns.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace xnd {

class TComponent {
 public:
  explicit TComponent(TComponent* aOwner = nullptr) : FOwner(aOwner) {}
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(std::string aName) { FName = std::move(aName); }

  // Creates a child owned by this component; children are destroyed with
  // their owner, the last created first.
  template <class T, class... Args>
  T& CreateOwned(Args&&... aArgs) {
    auto child = std::make_unique<T>(this, std::forward<Args>(aArgs)...);
    T& ref = *child;
    FComponents.push_back(std::move(child));
    return ref;
  }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int aIndex) const { return FComponents.at(aIndex).get(); }

 private:
  TComponent* FOwner;
  std::string FName;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};

}  // namespace xnd
