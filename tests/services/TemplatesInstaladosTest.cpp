// The installed templates (data/Templates, beside the program) against the
// values the code sends: every envelope of every UF is a SOAP 1.2 envelope
// whose nfeCabecMsg and body element are in the namespace of the service the
// operation names, with the UF code, and a versaoDados that matches the
// version of the request inside; the requests pass the national schemas.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>

#include "ServicosFixture.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::test {
namespace {

struct XmlDoc {
  explicit XmlDoc(const std::string& aTexto)
      : Doc(xmlReadMemory(aTexto.data(), static_cast<int>(aTexto.size()), nullptr, nullptr,
                          XML_PARSE_NONET)) {}
  ~XmlDoc() { xmlFreeDoc(Doc); }
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;
  xmlDoc* Doc;
};

const xmlNode* Filho(const xmlNode* aPai, const std::string& aNome) {
  for (const xmlNode* n = aPai->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && aNome == reinterpret_cast<const char*>(n->name)) return n;
  }
  return nullptr;
}

const xmlNode* PrimeiroElemento(const xmlNode* aPai) {
  for (const xmlNode* n = aPai->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) return n;
  }
  return nullptr;
}

std::string Ns(const xmlNode* aNo) {
  return aNo->ns != nullptr ? reinterpret_cast<const char*>(aNo->ns->href) : "";
}

std::string Texto(const xmlNode* aNo) {
  xmlChar* c = xmlNodeGetContent(aNo);
  std::string t = c != nullptr ? reinterpret_cast<const char*>(c) : "";
  xmlFree(c);
  return t;
}

std::string Atributo(const xmlNode* aNo, const char* aNome) {
  xmlChar* c = xmlGetProp(aNo, reinterpret_cast<const xmlChar*>(aNome));
  std::string t = c != nullptr ? reinterpret_cast<const char*>(c) : "";
  xmlFree(c);
  return t;
}

// The schema package of each generation's requests in ../shared/schemas.
std::string PacoteDe(TVersaoManual aVersao) {
  switch (aVersao) {
    case vm40:
    case vm50:
      return "PL_006u";
    case vm50a:
      return "PL_008i2";
    default:
      return "PL_005f";
  }
}

const std::string Chave = "35150300822602000124550010009923461099234656";

struct Geracao {
  TVersaoManual Versao;
  const char* Diretorio;
  const char* VersaoCancelamento;  // versao of a caller's cancNFe / inutNFe for this generation
  const char* VersaoInutilizacao;
};

class TemplatesInstaladosTest : public ServicosFixture,
                                public ::testing::WithParamInterface<Geracao> {
 protected:
  void SetUp() override {
    FDados.DiretorioTemplates = ProgramDirectory() + "Templates/" + GetParam().Diretorio + "/";
    if (!DirectoryExists(FDados.DiretorioTemplates)) GTEST_SKIP() << "no installed templates";
    std::string servidores;
    TStringList ufs;
    CarregarTabelaUF(ufs);
    for (int i = 0; i < ufs.Count(); ++i) {
      servidores += "[" + ufs.Names(i) + "]\r\n";
      for (const char* chave :
           {"NfeStatusServico2", "NfeCancelamento2", "NfeConsulta2", "NfeInutilizacao2",
            "NfeRecepcao2", "NfeRetRecepcao2", "CadConsulta2", "NfeStatusServico3", "NfeConsulta3",
            "NfeInutilizacao3", "NfeRecepcao3", "NfeRetRecepcao3", "ConsultaCad3"}) {
        servidores += std::string(chave) + "=https://sefaz.example/" + chave + "\r\n";
      }
    }
    Servidores(servidores);
  }

  // Runs every operation and checks each envelope it sent.
  void VerificarOperacoes(const std::string& aUF, const std::string& aCodigo) {
    FDados.UF = aUF;
    FDados.cUF = aCodigo;
    Fake().Enviados.clear();
    const auto intf = Interface(GetParam().Versao);
    const std::string cancelamento =
        Format("<cancNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"%s\"/>",
               GetParam().VersaoCancelamento);
    const std::string inutilizacao =
        Format("<inutNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"%s\"/>",
               GetParam().VersaoInutilizacao);
    const std::string lote =
        Format("<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"%s\"/>",
               GetParam().VersaoInutilizacao);
    intf->StatusServico();
    intf->CancelarNFe(cancelamento);
    intf->ConsultarNFe(Chave);
    intf->InutilizarNFe(inutilizacao);
    intf->EnviarLote("1", lote, false);
    intf->ConsultarRecibo("351000000012345");
    intf->ConsultarCadastro(aUF, "00822602000124");
    if (GetParam().Versao == vm50a) intf->EnviarLote("1", lote, true);
    for (const TSoapEnviado& enviado : Fake().Enviados) VerificarEnvelope(enviado, aCodigo);
  }

  void VerificarEnvelope(const TSoapEnviado& aEnviado, const std::string& aCodigo) {
    SCOPED_TRACE(aEnviado.Acao + " " + aCodigo);
    const XmlDoc doc(aEnviado.Envelope);
    ASSERT_NE(doc.Doc, nullptr) << aEnviado.Envelope;
    const xmlNode* envelope = xmlDocGetRootElement(doc.Doc);
    EXPECT_EQ(Ns(envelope), "http://www.w3.org/2003/05/soap-envelope");
    const xmlNode* cabecalho = Filho(Filho(envelope, "Header"), "nfeCabecMsg");
    const xmlNode* dados = PrimeiroElemento(Filho(envelope, "Body"));
    ASSERT_NE(cabecalho, nullptr);
    ASSERT_NE(dados, nullptr);
    EXPECT_EQ(Ns(cabecalho), aEnviado.Namespace);
    EXPECT_EQ(Ns(dados), aEnviado.Namespace);
    EXPECT_EQ(Texto(Filho(cabecalho, "cUF")), aCodigo);
    const bool compactado =
        std::string(reinterpret_cast<const char*>(dados->name)) == "nfeDadosMsgZip";
    EXPECT_EQ(compactado, aEnviado.Resultado == std::string("nfeAutorizacaoLoteZipResult"));
    if (compactado) return;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dados->name)), "nfeDadosMsg");
    const xmlNode* pedido = PrimeiroElemento(dados);
    ASSERT_NE(pedido, nullptr);
    EXPECT_EQ(Texto(Filho(cabecalho, "versaoDados")), Atributo(pedido, "versao"));
  }
};

TEST_P(TemplatesInstaladosTest, EveryEnvelopeOfEveryUFMatchesItsService) {
  TStringList ufs;
  CarregarTabelaUF(ufs);
  for (int i = 0; i < ufs.Count(); ++i) VerificarOperacoes(ufs.Names(i), ufs.ValueFromIndex(i));
}

TEST_P(TemplatesInstaladosTest, TheRequestBodiesPassTheNationalSchemas) {
  const std::string pacote =
      std::string(XND_SHARED_DIR) + "/schemas/" + PacoteDe(GetParam().Versao) + "/";
  if (!DirectoryExists(pacote)) GTEST_SKIP() << "national schemas not found in " << pacote;
  const auto intf = Interface(GetParam().Versao);
  for (const std::string& pedido : {intf->MontarPedidoStatus(), intf->MontarPedidoConsulta(Chave),
                                    intf->MontarPedidoRecibo("351000000012345"),
                                    intf->MontarPedidoCadastro("SP", "00822602000124")}) {
    const XmlDoc doc(pedido);
    ASSERT_NE(doc.Doc, nullptr) << pedido;
    const xmlNode* raiz = xmlDocGetRootElement(doc.Doc);
    const std::string esquema = pacote + reinterpret_cast<const char*>(raiz->name) + "_v" +
                                Atributo(raiz, "versao") + ".xsd";
    if (!FileExists(esquema)) continue;  // consSitNFe 2.00 of manual 4.0 is not in the packages
    EXPECT_NO_THROW(FGovUtils->ValidateWithSchema(pedido, NFeNamespace, esquema)) << pedido;
  }
}

INSTANTIATE_TEST_SUITE_P(Geracoes, TemplatesInstaladosTest,
                         ::testing::Values(Geracao{vm40, "vm40", "2.00", "2.00"},
                                           Geracao{vm50, "vm50", "2.00", "2.00"},
                                           Geracao{vm50a, "vm50a", "2.00", "3.10"}),
                         [](const ::testing::TestParamInfo<Geracao>& aInfo) {
                           return std::string(aInfo.param.Diretorio);
                         });

TEST(TemplatesGeradosTest, TheInstalledDataIsWhatTheGeneratorMakesFromItsSources) {
  if (std::system("python3 --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3 not available";
  const std::string comando =
      std::string("python3 ") + XND_SOURCE_DIR + "/scripts/gen-templates --check";
  EXPECT_EQ(std::system(comando.c_str()), 0) << "run scripts/gen-templates after editing data-src/";
}

}  // namespace
}  // namespace xnd::test
