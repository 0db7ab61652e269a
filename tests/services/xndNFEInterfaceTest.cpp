// The shared part of the version interfaces: templates, addresses, bodies.
#include <gtest/gtest.h>

#include "ServicosFixture.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

class InterfaceBaseTest : public ServicosFixture {
 protected:
  std::unique_ptr<TxndNFEInterface> FIntf = Interface(vm50a);
};

// ---- CarregarTemplate
// -----------------------------------------------------------------------------

TEST_F(InterfaceBaseTest, TemplatesComeFromTheDirectoryOfTheConfiguredUF) {
  Templates("vm50a", "SP", {{"pedido_status.xml", "<sp>%s %s</sp>"}});
  Templates("vm50a", "RS", {{"pedido_status.xml", "<rs>%s %s</rs>"}});

  EXPECT_EQ(FIntf->MontarPedidoStatus(), "<sp>2 35</sp>");
  FDados.UF = "RS";
  FDados.cUF = "43";
  EXPECT_EQ(FIntf->MontarPedidoStatus(), "<rs>2 43</rs>");
}

TEST_F(InterfaceBaseTest, TemplatesLoseTheirAccents) {
  Templates("vm50a", "SP", {{"cabec.xml", "<x>ação é ç</x>"}});
  EXPECT_EQ(FIntf->CarregarTemplate("cabec.xml"), "<x>acao e c</x>");
}

TEST_F(InterfaceBaseTest, AMissingTemplateNamesItsFullPath) {
  Templates("vm50a", "SP", {});
  try {
    FIntf->CarregarTemplate("pedido_status.xml");
    FAIL() << "no exception";
  } catch (const ExndTemplateNotFoundException& e) {
    EXPECT_EQ(e.Message(), "Arquivo de template não encontrado: " + FDir.Path() +
                               "Templates/vm50a/SP/pedido_status.xml");
  }
}

TEST_F(InterfaceBaseTest, AnUndoubledPercentSignFailsWhenTheTemplateIsFilled) {
  Templates("vm50a", "SP", {{"pedido_status.xml", "<d>100% %s %s</d>"}});
  try {
    FIntf->MontarPedidoStatus();
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '<d>100% %s %s</d>' invalid or incompatible with argument");
  }
}

TEST_F(InterfaceBaseTest, ADoubledPercentSignIsALiteralOne) {
  Templates("vm50a", "SP", {{"pedido_status.xml", "<d>100%% %s %s</d>"}});
  EXPECT_EQ(FIntf->MontarPedidoStatus(), "<d>100% 2 35</d>");
}

TEST_F(InterfaceBaseTest, TooFewArgumentsForTheTemplateFail) {
  Templates("vm50a", "SP", {{"pedido_cancelarnf.xml", "%s%s"}});
  EXPECT_THROW(FIntf->MontarPedidoCancelamento("<c/>"), EConvertError);
}

// ---- Request bodies ---------------------------------------------------------------------------

TEST_F(InterfaceBaseTest, BodiesAreFilledInTheOrderOfTheirTemplates) {
  Templates("vm50a", "SP",
            {{"pedido_status.xml", "S[%s|%s]"},
             {"pedido_consultanf.xml", "C[%s|%s]"},
             {"pedido_consultarecibo.xml", "R[%s|%s]"},
             {"pedido_consultacadastro.xml", "K[%s|%s]"},
             {"pedido_cancelarnf.xml", "<?xml version=\"1.0\"?>\r\nX[%s]\r\n"},
             {"pedido_inutilizarnf.xml", "<?xml version=\"1.0\"?>I[%s]"}});

  EXPECT_EQ(FIntf->MontarPedidoStatus(), "S[2|35]");
  EXPECT_EQ(FIntf->MontarPedidoConsulta("KEY"), "C[2|KEY]");
  EXPECT_EQ(FIntf->MontarPedidoRecibo("REC"), "R[2|REC]");
  EXPECT_EQ(FIntf->MontarPedidoCadastro("MG", "123"), "K[MG|123]");
  EXPECT_EQ(FIntf->MontarPedidoCancelamento("a\r\nb\nc"), "X[ab\nc]");
  EXPECT_EQ(FIntf->MontarPedidoInutilizacao("<?xml version=\"1.0\"?>d"),
            "I[<?xml version=\"1.0\"?>d]");
}

TEST(LimparXmlTest, DropsTheFirstDeclarationAndEveryCrLfOnly) {
  const std::string d = "<?xml version=\"1.0\"?>";
  EXPECT_EQ(TxndNFEInterface::LimparXml(d + "\r\n<a>\r\n" + d + "\n<b/>\r</a>\r\n"),
            "<a>" + d + "\n<b/>\r</a>");
  EXPECT_EQ(TxndNFEInterface::LimparXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>");
}

// ---- EnderecoServidor ---------------------------------------------------------------------------

TEST_F(InterfaceBaseTest, TheSectionFollowsTheOperationModeWithoutFallback) {
  Servidores(
      "[SP]\r\nNfeStatusServico3=https://sp/status\r\nNfeConsulta3=https://sp/consulta\r\n"
      "[SVCAN]\r\nNfeStatusServico3=https://svcan/status\r\n"
      "[SVCRS]\r\nNfeStatusServico3=https://svcrs/status\r\n");

  EXPECT_EQ(FIntf->EnderecoServidor("NfeStatusServico3"), "https://sp/status");
  FDados.ModoOperacao = moSVCAN;
  EXPECT_EQ(FIntf->EnderecoServidor("NfeStatusServico3"), "https://svcan/status");
  FDados.ModoOperacao = moSVCRS;
  EXPECT_EQ(FIntf->EnderecoServidor("NfeStatusServico3"), "https://svcrs/status");
  try {
    FIntf->EnderecoServidor("NfeConsulta3");
    FAIL() << "no exception";
  } catch (const ExndNFeAddressException& e) {
    EXPECT_EQ(e.Message(),
              "Servidor para NfeConsulta3 não definido no arquivo: " + FServidores.FileName());
  }
}

TEST_F(InterfaceBaseTest, KeysAndSectionsAreFoundWhateverTheirCase) {
  Servidores("[sp]\r\nnfestatusservico3=https://sp/status\r\n");
  EXPECT_EQ(FIntf->EnderecoServidor("NfeStatusServico3"), "https://sp/status");
}

TEST_F(InterfaceBaseTest, AnEmptyValueIsAMissingAddress) {
  Servidores("[SP]\r\nNfeStatusServico3=\r\n");
  EXPECT_THROW(FIntf->EnderecoServidor("NfeStatusServico3"), ExndNFeAddressException);
}

TEST_F(InterfaceBaseTest, WithoutAServerListEveryAddressIsMissing) {
  FDados.ServidoresINI = nullptr;
  try {
    FIntf->EnderecoServidor("NfeStatusServico3");
    FAIL() << "no exception";
  } catch (const ExndNFeAddressException& e) {
    EXPECT_EQ(e.Message(), "Servidor para NfeStatusServico3 não definido no arquivo: ");
  }
}

// ---- Operations of the base
// ----------------------------------------------------------------------

TEST_F(ServicosFixture, TheBaseImplementsNoOperation) {
  TxndNFEInterface base(FDados, FGovUtils, FGovX);
  EXPECT_THROW(base.StatusServico(), EAbstractError);
  EXPECT_THROW(base.GerarChave("", "", "", "", "", "", "", ""), EAbstractError);
  EXPECT_THROW(base.EnviarLote("1", "<l/>", false), EAbstractError);
  EXPECT_THROW(base.ConsultarCadastro("SP", "1"), EAbstractError);
}

}  // namespace
}  // namespace xnd::test
