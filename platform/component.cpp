#include "platform/component.h"

namespace xnd {

TComponent::~TComponent() {
  // Children go last created first, each while the others still exist.
  while (!FComponents.empty()) {
    std::unique_ptr<TComponent> child = std::move(FComponents.back());
    FComponents.pop_back();
  }
}

}  // namespace xnd
