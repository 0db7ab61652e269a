#include "xndnfe.h"

#include <gtest/gtest.h>

// The umbrella header stands on its own and gives a host the component.
TEST(UmbrellaHeader, GivesTheComponentWithItsDefaults) {
  xnd::TxndNFe nfe;
  EXPECT_EQ(nfe.VersaoManual(), xnd::vm50);
  EXPECT_EQ(nfe.ObterNamespace(), "http://www.portalfiscal.inf.br/nfe");
}
