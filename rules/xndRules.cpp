#include "rules/xndRules.h"

#include <utility>

namespace xnd {

TxndRule::TxndRule(std::string aName, std::string aFieldName)
    : FName(std::move(aName)), FFieldName(std::move(aFieldName)) {}

TxndRule::~TxndRule() = default;

}  // namespace xnd
