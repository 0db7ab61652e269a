#include "platform/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xnd {
namespace {

// Writes its name into a shared log when destroyed.
class Tracked : public TComponent {
 public:
  Tracked(TComponent* aOwner, std::vector<std::string>& aLog, std::string aName)
      : TComponent(aOwner), FLog(aLog) {
    SetName(std::move(aName));
  }
  ~Tracked() override { FLog.push_back(Name()); }

 private:
  std::vector<std::string>& FLog;
};

TEST(Component, OwnerDestroysItsChildrenLastCreatedFirst) {
  std::vector<std::string> log;
  {
    Tracked owner(nullptr, log, "owner");
    Tracked& first = owner.CreateOwned<Tracked>(log, "first");
    owner.CreateOwned<Tracked>(log, "second");
    first.CreateOwned<Tracked>(log, "grandchild");
    EXPECT_EQ(first.Owner(), &owner);
    EXPECT_EQ(owner.Owner(), nullptr);
    ASSERT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(1)->Name(), "second");
  }
  EXPECT_EQ(log, (std::vector<std::string>{"owner", "second", "first", "grandchild"}));
}

}  // namespace
}  // namespace xnd
