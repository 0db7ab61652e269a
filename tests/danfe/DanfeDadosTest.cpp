// DANFE data: the public samples loaded field by field, the text helpers, the
// checks before printing and the rules of contingency, volumes, duplicates,
// references, medicines and vehicles.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "danfe/xndNFeDanfeDados.h"
#include "platform/text.h"
#include "tests/danfe/DanfeTestSupport.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

using test::Coluna;
using test::Registro;
using test::Tabela;

const std::string Nfe310 = "nfe310_nfeProc_autorizada_5itens.xml";
const std::string Nfe200 = "nfe200_nfeProc_autorizada.xml";

// aXml with the first aDe replaced by aPara; the sample must hold aDe.
std::string Trocar(std::string aXml, const std::string& aDe, const std::string& aPara) {
  const std::size_t pos = aXml.find(aDe);
  if (pos == std::string::npos) throw std::runtime_error("sample without " + aDe);
  return aXml.replace(pos, aDe.size(), aPara);
}

// Exception logs of these tests go to a temporary directory.
class DanfeDadosTest : public ::testing::Test {
 protected:
  template <class T>
  std::unique_ptr<T> Criar(const std::string& aXml) {
    auto dados = std::make_unique<T>();
    test::FrasesDoComponente(*dados);
    dados->SetDiretorioLogErro(FTemp.Path());
    dados->SetXml(aXml);
    return dados;
  }

  // The message of the ExndNFeReportException that loading raises.
  std::string FalhaAoCarregar(TxndNFeDanfeDados& aDados) {
    try {
      aDados.CarregarDados();
    } catch (const ExndNFeReportException& e) {
      return e.Message();
    }
    return "(nenhuma exceção)";
  }

  test::TempDir FTemp;
};

// Compares the given fields of the current record, whole values.
void EsperarCampos(const TClientDataSet& aTabela,
                   const std::map<std::string, std::string>& aEsperado) {
  const auto valores = Registro(aTabela);
  for (const auto& [campo, valor] : aEsperado) {
    ASSERT_TRUE(valores.count(campo)) << campo;
    EXPECT_EQ(valores.at(campo), valor) << campo;
  }
}

TEST_F(DanfeDadosTest, Sample310OnManual50GivesHeaderPartiesTotalsTransportAndInvoices) {
  auto dados = Criar<TxndNFeDanfeDados50>(test::SharedFixture(Nfe310));
  dados->CarregarDados();

  TClientDataSet& d = Tabela(*dados, "Dados");
  ASSERT_EQ(d.RecordCount(), 1);
  d.First();
  EsperarCampos(d, {{"CodBarra", "35150300822602000124550010009923461099234656"},
                    {"CodBarraDadosNFe", ""},
                    {"NatOper", "Venda prod. do estab."},
                    {"Serie", "1"},
                    {"DtEmissao", "27/03/2015"},
                    {"DtSaida", "27/03/2015"},
                    {"hSaida", "09:40:00"},
                    {"nNF", "000992346"},
                    {"nTpNF", "1"},
                    {"tpEmis", "1"},
                    {"indPag", "1"},
                    {"nProt", "135150001686732"},
                    {"dhRecbto", "2015-03-27T16:50:50-03:00"},
                    {"FraseHomologacao", "SEM VALOR FISCAL"},
                    {"FraseContingencia", ""},
                    {"EmitNome", "Plotag Sistemas e Suprimentos Ltda"},
                    {"EmitFantasia", "Plotag - Localhost"},
                    {"EmitCNPJ", "00822602000124"},
                    {"EmitIE", "114489114119"},
                    {"EmitEnd", "Rua Solon, 558"},
                    {"EmitMun", "Sao Paulo"},
                    {"EmitUF", "SP"},
                    {"EmitCep", "01127010"},
                    {"EmitFone", "1123587604"},
                    {"EmitCRT", "1"},
                    {"LogotipoEmitente", ""},
                    {"DestNome", "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL"},
                    {"DestCNPJ", "99999999000191"},
                    {"DestIE", ""},
                    {"DestEnd", "Rua Jaragua, 774"},
                    {"DestFoneFax", "33933501"},
                    {"DestEmail", "gui_calabria@yahoo.com.br"},
                    {"BaseCalcIcms", "0,00"},
                    {"ValorTotProd", "689,91"},
                    {"ValorTotNota", "689,91"},
                    {"ValorTotTrib", "206,97"},
                    {"BaseCalcISSQN", ""},
                    {"TraModFrete", "1"},
                    {"TraDescMod", "1-Dest/Rem"},
                    {"TraNome", "Cliente Retira"},
                    {"TraEnd", "Rua ,"},
                    {"TraUF", "SP"},
                    {"VolQuantidade", "1"},
                    {"VolMarca", "S/m"},
                    {"VolNumeracao", "S/n"},
                    {"VolPesoBruto", "0,000"},
                    {"VolPesoLiquido", "0,000"},
                    {"ContinuaObsContribuinte", ""}});
  // 68 columns per line of the box.
  EXPECT_EQ(d.FieldByName("ObsContribuinte").AsString(),
            "\"DOCUMENTO EMITIDO POR EMPRESA OPTANTE PELO SIMPLES NACIONAL;NAO GER\r\n"
            "A DIREITO A CREDITO FISCAL DE IPI\";\"PERMITE O APROVEITAMENTO DE CRED\r\n"
            "ITO DE ICMS NO VALOR DE: R$17,66 CORRESPONDENTE A ALIQUOTA DE 2.56%\"\r\n"
            ";Vendedor:1 - Guilherme Kavedikado;Valor Aproximado dos Tributos : R\r\n"
            "$ 206,97. Fonte IBPT (Instituto Brasileiro de Planejamento Tributari\r\n"
            "o)\r\n");

  TClientDataSet& cobranca = Tabela(*dados, "DadosCobranca");
  ASSERT_EQ(cobranca.RecordCount(), 1);
  EsperarCampos(cobranca, {{"nNF", "000992346"},
                           {"NumDuplicata", "992346"},
                           {"DtVencimento", "24/04/2015"},
                           {"ValorDuplicata", "689,91"}});
  EXPECT_EQ(Tabela(*dados, "vol").RecordCount(), 1);
}

TEST_F(DanfeDadosTest, Sample310ItemsTakeTheirValuesFromProdAndTaxGroups) {
  auto dados = Criar<TxndNFeDanfeDados50>(test::SharedFixture(Nfe310));
  dados->CarregarDados();
  TClientDataSet& itens = Tabela(*dados, "DadosItens");
  EXPECT_EQ(Coluna(itens, "Item"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Coluna(itens, "ItemVTotal"),
            (std::vector<std::string>{"138,30", "48,91", "138,30", "214,57", "149,83"}));
  EXPECT_EQ(Coluna(itens, "ItemVTotTrib"),
            (std::vector<std::string>{"41,49", "14,67", "41,49", "64,37", "44,95"}));
  itens.First();
  EsperarCampos(itens, {{"nNF", "000992346"},
                        {"QtdeItem", ""},
                        {"ItemCodigo", "B17025056"},
                        {"ItemEAN", ""},
                        {"ItemNCM", "48025599"},
                        {"ItemDescricao", "PAPEL MAXPLOT- 170MX250MX56GRS 3\""},
                        {"ItemCST", "101"},  // the CSOSN of ICMSSN101
                        {"ItemORIG", "0"},
                        {"ItemCFOP", "5101"},
                        {"ItemUnidade", "Rl"},
                        {"ItemQuantidade", "1,0000"},
                        {"ItemVUnit", "138,3000"},
                        {"ItemUnidadeTributada", ""},
                        {"ItemClEnq", "48025"},
                        {"ItemCNPJProd", "00822602000124"},
                        {"ItemCEnq", "599"},
                        {"ItemCSTPIS", "07"},
                        {"ItemCSTCOFINS", "07"},
                        {"ItemVIcms", ""},
                        {"ItemObs", ""}});
}

TEST_F(DanfeDadosTest, Sample200OnManual40GivesDatesExitTimeIssqnAndItemCsts) {
  auto dados = Criar<TxndNFeDanfeDados40>(test::SharedFixture(Nfe200));
  dados->SetLineDelimiter(";");
  dados->SetImprimirUnidadeTributada(true);
  dados->CarregarDados();

  TClientDataSet& d = Tabela(*dados, "Dados");
  d.First();
  EsperarCampos(d, {{"CodBarra", "11101284613439000180550010000004881093997017"},
                    {"DtEmissao", "02/12/2010"},
                    {"DtSaida", "02/12/2010"},
                    {"hSaida", "17:04:25"},
                    {"nNF", "000000488"},
                    {"indPag", "0"},
                    {"nProt", "311100000046263"},
                    {"dhRecbto", "2010-12-02T16:59:41"},
                    {"EmitIM", "999911111"},
                    {"EmitEnd", "Av. Rafael Vaz e Silva, 003091"},
                    {"DestIE", "00000001113054"},
                    {"Desconto", "50,00"},
                    {"ValorTotNota", "540,00"},
                    {"ValorTotServ", "90,00"},
                    {"BaseCalcISSQN", "90,00"},
                    {"ValorTotISSQN", "4,50"},
                    {"TraModFrete", "0"},
                    {"TraDescMod", "0-Emitente"}});
  // The delimiter splits the text value: "-&gt;" is read as "->", never cut into "-&gt" and "".
  EXPECT_EQ(d.FieldByName("ObsContribuinte").AsString(),
            "Pz -> / / / / / / / / / / / (0000161)\r\n"
            "F.Pgto : 1-Dinheiro Vend : 1-WAGNER ARAGAO \r\n"
            "* Desconto em Produtos de ( 10,00000%) R$ 50,00 *\r\n"
            "Mens CFOP : DESCONTO REFERENTE ISENCAO DE ICMS REF FULERAGEM DO GOVE\r\n"
            "RNO \r\n"
            "*Substituicao Tributaria *\r\n"
            "*Empresa Optante Simples Nacional*\r\n");
  EXPECT_EQ(
      d.FieldByName("ContinuaObsContribuinte").AsString(),
      "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\nBase ICMS= 540,00 Aliq ICMS= 3,50%=0,00");

  TClientDataSet& itens = Tabela(*dados, "DadosItens");
  // CSOSN 500 replaces the CST; the service item (ISSQN) has none.
  EXPECT_EQ(Coluna(itens, "ItemCST"), (std::vector<std::string>{"500", ""}));
  EXPECT_EQ(Coluna(itens, "ItemVDesc"), (std::vector<std::string>{"50,00", ""}));
  EXPECT_EQ(Coluna(itens, "ItemVUnit"),
            (std::vector<std::string>{"50,0000000000", "45,0000000000"}));
  EXPECT_EQ(Coluna(itens, "ItemUnidadeTributada"), (std::vector<std::string>{"UN", "H"}));
  EXPECT_EQ(Coluna(itens, "ItemQuantidadeTributada"),
            (std::vector<std::string>{"10,0000", "2,0000"}));
  EXPECT_EQ(Coluna(itens, "ItemBCalcPIS"), (std::vector<std::string>{"0,00", "0,00"}));
}

TEST_F(DanfeDadosTest, EarlierManualsKeepTheirOwnRules) {
  // 2.0.2a: tpNF 1 prints as "2", no protocol, no freight text; 3.0: tpNF as written, no exit time.
  auto d202 = Criar<TxndNFeDanfeDados202>(test::SharedFixture(Nfe200));
  d202->CarregarDados();
  TClientDataSet& a = Tabela(*d202, "Dados");
  EsperarCampos(
      a, {{"nTpNF", "2"}, {"nProt", ""}, {"TraDescMod", ""}, {"hSaida", ""}, {"TraModFrete", "0"}});
  EXPECT_EQ(d202->TipoEmissao(), 1);

  auto d30 = Criar<TxndNFeDanfeDados30>(test::SharedFixture(Nfe200));
  d30->CarregarDados();
  TClientDataSet& b = Tabela(*d30, "Dados");
  EsperarCampos(b,
                {{"nTpNF", "1"}, {"nProt", "311100000046263"}, {"hSaida", ""}, {"TraDescMod", ""}});
  // Manual 3.0 keeps the ICMS CST: a Simples Nacional item has none.
  EXPECT_EQ(Coluna(Tabela(*d30, "DadosItens"), "ItemCST"), (std::vector<std::string>{"", ""}));
}

TEST_F(DanfeDadosTest, Layout400NoteReadsItsDateTimes) {
  auto dados =
      Criar<TxndNFeDanfeDados50>(test::SharedFixture("nfe400_nfeProc_autorizada_homologacao.xml"));
  dados->CarregarDados();
  EsperarCampos(Tabela(*dados, "Dados"), {{"DtEmissao", "25/09/2018"},
                                          {"DtSaida", "25/09/2018"},
                                          {"hSaida", "15:14:00"},
                                          {"nNF", "000000026"},
                                          {"nProt", "143180006932433"},
                                          {"ValorTotNota", "500,00"},
                                          {"TraDescMod", "9-Sem Frete"}});
  EXPECT_EQ(Coluna(Tabela(*dados, "DadosItens"), "ItemCST"), std::vector<std::string>{"202"});
}

TEST(FormatarNumeroBRTest, GroupsTheIntegerPartAndKeepsTheDecimals) {
  const std::vector<std::pair<std::string, std::string>> casos = {
      {"", ""},
      {"0.00", "0,00"},
      {"1234.56", "1.234,56"},
      {"123456.78", "123.456,78"},
      {"1234567.891", "1.234.567,891"},
      {"-123456.7", "-123.456,7"},
      {"1234", "1234"},
      {"12.", "12,"},
  };
  for (const auto& [entrada, saida] : casos) EXPECT_EQ(FormatarNumeroBR(entrada), saida) << entrada;
}

TEST(DividirInfCplTest, FillsTheBoxAndContinuesTheRest) {
  struct Caso {
    std::string Texto;
    int Colunas;
    int Linhas;
    std::string Caixa;
    std::string Continuacao;
  };
  const std::string l150 = std::string(150, 'x');
  const std::vector<Caso> casos = {
      {"", 68, 7, "", ""},
      {"1\r\n2\n3\r4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10", 68, 7, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n",
       "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n8\r\n9\r\n10"},
      {l150, 68, 7,
       std::string(68, 'x') + "\r\n" + std::string(68, 'x') + "\r\n" + std::string(14, 'x') +
           "\r\n",
       ""},
      // A line cut when the box fills up continues with its rest.
      {"abcdefgh", 3, 2, "abc\r\ndef\r\n", "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\ngh"},
      // Characters, not bytes.
      {"çãçãç", 2, 7, "çã\r\nçã\r\nç\r\n", ""},
      // No column limit, and an empty line kept.
      {"abc\r\n\r\ndef", 0, 7, "abc\r\n\r\ndef\r\n", ""},
  };
  for (const Caso& c : casos) {
    std::string caixa;
    std::string continuacao;
    DividirInfCpl(c.Texto, c.Colunas, c.Linhas, caixa, continuacao);
    EXPECT_EQ(caixa, c.Caixa) << c.Texto;
    EXPECT_EQ(continuacao, c.Continuacao) << c.Texto;
  }
}

TEST(TextoXmlTest, ResolvesEntitiesAndCharacterReferences) {
  EXPECT_EQ(TextoXml("a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;"), "a & b <c> \"d\" 'e'");
  EXPECT_EQ(TextoXml("linha&#xD;outra&#13;fim &#231;&#x00E3;"), "linha\routra\rfim çã");
  EXPECT_EQ(TextoXml("R$ 5 & 6 &nbsp; &#xZZ;"), "R$ 5 & 6 &nbsp; &#xZZ;");
}

TEST_F(DanfeDadosTest, ChecksBeforePrintingRaiseTheirMessages) {
  const std::string nfe = test::SharedFixture(Nfe310);
  struct Caso {
    std::string Nome;
    std::string Xml;
    std::string Mensagem;
  };
  const std::vector<Caso> casos = {
      {"sem protocolo", Trocar(Trocar(nfe, "<protNFe", "<outroNFe"), "</protNFe>", "</outroNFe>"),
       "O Xml não é válido para impressão em modo Normal / SCAN"},
      {"rejeitada", Trocar(nfe, "<cStat>100</cStat>", "<cStat>204</cStat>"),
       "Danfe não autorizada para Impressão."},
      {"sem número de protocolo", Trocar(nfe, "<nProt>135150001686732</nProt>", "<nProt></nProt>"),
       "Número de Protocolo não encontrado."},
      {"DPEC sem protocolo",
       Trocar(Trocar(nfe, "<tpEmis>1</tpEmis>", "<tpEmis>4</tpEmis>"),
              "<nProt>135150001686732</nProt>", ""),
       "Protocolo de DPEC não foi informado"},
      {"não é NF-e",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><retEnviNFe><cStat>103</cStat></retEnviNFe>",
       "O XML para impressão da Danfe não contém NF-e."},
      {"vazio", "", "O XML para impressão da Danfe não contém NF-e."},
  };
  for (const Caso& c : casos) {
    auto dados = Criar<TxndNFeDanfeDados50>(c.Xml);
    EXPECT_EQ(FalhaAoCarregar(*dados), c.Mensagem) << c.Nome;
  }
  auto semAssinatura = Criar<TxndNFeDanfeDados202>(test::RemoveSignature(nfe));
  EXPECT_EQ(FalhaAoCarregar(*semAssinatura), "A Nota não possui Assinatura");
  // The messages reach the exception log of DiretorioLogErro.
  EXPECT_NE(
      FTemp.Read("nfe_exception.log").find("ExndNFeReportException : A Nota não possui Assinatura"),
      std::string::npos);
}

TEST_F(DanfeDadosTest, MalformedXmlIsAReportError) {
  auto dados = Criar<TxndNFeDanfeDados50>("<nfeProc><NFe>");
  const std::string mensagem = FalhaAoCarregar(*dados);
  EXPECT_TRUE(StartsText("O XML para impressão da Danfe não é um XML válido: ", mensagem))
      << mensagem;
}

TEST_F(DanfeDadosTest, WithoutTheRuleCheckAnUnauthorisedNoteLoadsAsAPreview) {
  const std::string xml =
      Trocar(test::SharedFixture(Nfe310), "<cStat>100</cStat>", "<cStat>204</cStat>");
  auto dados = Criar<TxndNFeDanfeDados50>(xml);
  dados->SetValidarRegrasNegocio(false);
  dados->CarregarDados();
  TClientDataSet& d = Tabela(*dados, "Dados");
  // The preview reads the infNFe alone: no protocol.
  EsperarCampos(d, {{"FraseHomologacao", "PREVISÃO DE DANFE. SEM VALOR FISCAL"},
                    {"nProt", ""},
                    {"nNF", "000992346"}});
  EXPECT_EQ(Tabela(*dados, "DadosItens").RecordCount(), 5);
}

TEST_F(DanfeDadosTest, ContingencyNotesCarryTheirCodeAndJustification) {
  // Contingency FS-DA (tpEmis 5) of the 3.10 sample, printed without authorisation.
  std::string xml = Trocar(test::SharedFixture(Nfe310), "<tpEmis>1</tpEmis>", "<tpEmis>5</tpEmis>");
  xml = Trocar(xml, "<verProc>3.10.43</verProc>",
               "<verProc>3.10.43</verProc><dhCont>2015-03-27T09:30:00-03:00</dhCont>"
               "<xJust>Falha de comunicacao &amp; rede</xJust>");
  xml = Trocar(xml, "<vBC>0.00</vBC>\n                    <vICMS>",
               "<vBC>10.00</vBC>\n                    <vICMS>");

  auto d30 = Criar<TxndNFeDanfeDados30>(xml);
  d30->CarregarDados();
  TClientDataSet& a = Tabela(*d30, "Dados");
  EsperarCampos(a, {{"nProt", ""},
                    {"dhRecbto", ""},
                    {"JustContingencia", ""},
                    {"FraseContingencia",
                     "DANFE em Contingência - impresso em decorrência de problemas técnicos"}});
  // UF 35, tpEmis 5, recipient CNPJ, vNF 68991 in 14 digits, own ICMS "1", no ST "2", day 27, check
  // digit.
  const std::string codigo = a.FieldByName("CodBarraDadosNFe").AsString();
  EXPECT_EQ(codigo.substr(0, 35), "35599999999000191000000000689911227");
  EXPECT_EQ(codigo.size(), 36u);

  auto d40 = Criar<TxndNFeDanfeDados40>(xml);
  d40->CarregarDados();
  EsperarCampos(Tabela(*d40, "Dados"), {{"FraseContingencia",
                                         "DANFE em Contingência - impresso em decorrência de "
                                         "problemas técnicos [Falha de comunicacao & rede]"},
                                        {"JustContingencia", "Falha de comunicacao & rede"},
                                        {"dhContingencia", "2015-03-27T09:30:00-03:00"},
                                        {"CodBarraDadosNFe", codigo}});
}

TEST_F(DanfeDadosTest, DpecNoteTakesTheProtocolOfItsDocumentOrOfTheProperties) {
  const std::string xml =
      Trocar(test::SharedFixture(Nfe310), "<tpEmis>1</tpEmis>", "<tpEmis>4</tpEmis>");
  auto comProtocolo = Criar<TxndNFeDanfeDados50>(xml);
  comProtocolo->CarregarDados();
  EsperarCampos(Tabela(*comProtocolo, "Dados"),
                {{"nProt", "135150001686732"}, {"dhRecbto", "2015-03-27T16:50:50-03:00"}});

  auto informado = Criar<TxndNFeDanfeDados50>(Trocar(xml, "<nProt>135150001686732</nProt>", ""));
  informado->SetProtocoloDPEC("935150000000001");
  informado->SetDataHoraDPEC("27/03/2015 10:00:00");
  informado->CarregarDados();
  EsperarCampos(Tabela(*informado, "Dados"),
                {{"nProt", "935150000000001"}, {"dhRecbto", "27/03/2015 10:00:00"}});
}

TEST_F(DanfeDadosTest, TwoNotesGiveTwoRecordsEachWithItsOwnItems) {
  std::string primeira = test::SharedFixture(Nfe310);
  std::string segunda = Trocar(primeira, "<nNF>992346</nNF>", "<nNF>992347</nNF>");
  const std::size_t det5 = segunda.find("<det nItem=\"4\">");
  segunda.erase(det5, segunda.find("<det nItem=\"5\">") - det5);  // four items
  // A medicine lot on item 1 of the first note only: item 1 of the second is another item.
  primeira = Trocar(primeira, "<indTot>1</indTot>",
                    "<indTot>1</indTot><med><nLote>L1</nLote><qLote>1.000</qLote><dFab>2015-01-31"
                    "</dFab><dVal>2016-01-31</dVal><vPMC>9.90</vPMC></med>");
  auto dados = Criar<TxndNFeDanfeDados50>(primeira + "\n" + segunda);
  dados->CarregarDados();

  TClientDataSet& d = Tabela(*dados, "Dados");
  TClientDataSet& itens = Tabela(*dados, "DadosItens");
  TClientDataSet& med = Tabela(*dados, "DadosLotesMedicamento");
  EXPECT_EQ(Coluna(d, "nNF"), (std::vector<std::string>{"000992346", "000992347"}));
  d.First();
  EXPECT_EQ(itens.RecordCount(), 5);
  itens.First();
  EXPECT_EQ(Coluna(med, "nLote"), (std::vector<std::string>{"L1"}));
  d.Next();
  EXPECT_EQ(Coluna(itens, "Item"), (std::vector<std::string>{"1", "2", "3", "5"}));
  itens.First();
  EXPECT_EQ(med.RecordCount(), 0);
  EXPECT_EQ(Tabela(*dados, "DadosCobranca").RecordCount(), 1);
}

TEST_F(DanfeDadosTest, SeveralVolumesAreSummedFromTheXmlNumbers) {
  const std::string volumes =
      "<vol><qVol>2</qVol><esp>CAIXA</esp><marca>ACME</marca><nVol>1</nVol>"
      "<pesoL>1234.500</pesoL><pesoB>1300.250</pesoB></vol>"
      "<vol><qVol>3</qVol><esp>PALETE</esp><marca>ACME</marca><nVol>2</nVol>"
      "<pesoL>0.500</pesoL><pesoB>1.000</pesoB></vol>"
      "<vol><esp>ENVELOPE</esp></vol>";
  std::string xml = test::SharedFixture(Nfe310);
  const std::size_t inicio = xml.find("<vol>");
  xml.replace(inicio, xml.find("</vol>") + 6 - inicio, volumes);
  auto dados = Criar<TxndNFeDanfeDados50>(xml);
  dados->SetImprimirVolume(true);
  dados->CarregarDados();

  TClientDataSet& d = Tabela(*dados, "Dados");
  EsperarCampos(d, {{"VolEspecie", "VER INF. COMP."},
                    {"VolMarca", "VER INF. COMP."},
                    {"VolNumeracao", "VER INF. COMP."},
                    {"VolQuantidade", "5"},
                    {"VolPesoLiquido", "1.235,000"},
                    {"VolPesoBruto", "1.301,250"}});
  EXPECT_TRUE(
      StartsText("Esp.: CAIXA Marca: ACME Num.: 1\r\nEsp.: PALETE Marca: ACME Num.: 2\r\n"
                 "Esp.: ENVELOPE Marca:  Num.: \r\n\"DOCUMENTO",
                 d.FieldByName("ObsContribuinte").AsString()));
  TClientDataSet& vol = Tabela(*dados, "vol");
  EXPECT_EQ(Coluna(vol, "VolPesoLiquido"), (std::vector<std::string>{"1.234,500", "0,500", ""}));
  EXPECT_EQ(Coluna(vol, "VolEspecie"), (std::vector<std::string>{"CAIXA", "PALETE", "ENVELOPE"}));

  // Without the option the first volume is the summary.
  auto semResumo = Criar<TxndNFeDanfeDados50>(xml);
  semResumo->CarregarDados();
  EsperarCampos(Tabela(*semResumo, "Dados"),
                {{"VolEspecie", "CAIXA"}, {"VolQuantidade", "2"}, {"VolPesoLiquido", "1.234,500"}});
}

TEST_F(DanfeDadosTest, CashSaleShowsItsDuplicateWhenAsked) {
  const std::string xml =
      Trocar(test::SharedFixture(Nfe310), "<indPag>1</indPag>", "<indPag>0</indPag>");
  auto dados = Criar<TxndNFeDanfeDados50>(xml);
  dados->SetImprimirDuplicata(true);
  dados->SetInfCplMaxCol(0);
  dados->CarregarDados();
  EXPECT_TRUE(StartsText("Duplicata Num.: 992346, Venc.: 24/04/2015, Valor: 689.91\r\n\"DOCUMENTO",
                         Tabela(*dados, "Dados").FieldByName("ObsContribuinte").AsString()));
}

TEST_F(DanfeDadosTest, FiscalTextAndObservationFieldFollowTheTaxpayerText) {
  const std::string xml = Trocar(test::SharedFixture(Nfe200), "<infAdic>",
                                 "<infAdic><infAdFisco>Art. 1 &amp; 2</infAdFisco>");
  auto dados = Criar<TxndNFeDanfeDados40>(
      Trocar(xml, "</infCpl>",
             "</infCpl><obsCont xCampo=\"Pedido\"><xTexto>1234.5</xTexto></obsCont>"
             "<obsFisco xCampo=\"Fisco\"><xTexto>www.fisco.gov</xTexto></obsFisco>"));
  dados->SetInfCplMaxRow(20);
  dados->CarregarDados();
  TClientDataSet& d = Tabela(*dados, "Dados");
  EXPECT_TRUE(EndsText("3,50%=0,00\r\n Observações destinadas ao Fisco:\r\nArt. 1 & 2\r\n",
                       d.FieldByName("ObsContribuinte").AsString()));
  EsperarCampos(d, {{"IdentCampo", "Pedido"}, {"ContCampo", "1.234,5"}});
}

TEST_F(DanfeDadosTest, ReferencesFillOneRecordInEachReferenceDataset) {
  const std::string refs =
      "<verProc>1.0.0.0</verProc>"
      "<NFref><refNFe>35150300822602000124550010009923461099234656</refNFe></NFref>"
      "<NFref><refNF><cUF>11</cUF><AAMM>1011</AAMM><CNPJ>84613439000180</CNPJ><mod>01</mod>"
      "<serie>1</serie><nNF>77</nNF></refNF></NFref>";
  auto dados = Criar<TxndNFeDanfeDados40>(
      Trocar(test::SharedFixture(Nfe200), "<verProc>1.0.0.0</verProc>", refs));
  dados->SetValidarRegrasNegocio(false);
  dados->CarregarDados();
  EXPECT_EQ(Coluna(Tabela(*dados, "DadosNFeReferenciada"), "ChaveNFeRef"),
            (std::vector<std::string>{"35150300822602000124550010009923461099234656", ""}));
  TClientDataSet& nf1a = Tabela(*dados, "DadosNF1AReferenciada");
  EXPECT_EQ(Coluna(nf1a, "NumeroNF1ARef"), (std::vector<std::string>{"", "77"}));
  nf1a.Last();
  EsperarCampos(nf1a, {{"nNF", "000000488"},
                       {"UFNF1ARef", "11"},
                       {"AnoMesNF1ARef", "1011"},
                       {"ModeloNF1ARef", "01"},
                       {"SerieNF1ARef", "1"},
                       {"CNPJNF1ARef", "84613439000180"}});
  EXPECT_EQ(Tabela(*dados, "DadosNFProdutorRuralReferenciada").RecordCount(), 2);
  EXPECT_EQ(Tabela(*dados, "DadosCupomFiscalReferenciado").RecordCount(), 2);
  EXPECT_EQ(Tabela(*dados, "DadosCTeReferenciado").RecordCount(), 2);
}

TEST_F(DanfeDadosTest, MedicinesAndNewVehiclesAreDetailsOfTheirItem) {
  std::string xml = test::SharedFixture(Nfe200);
  xml = Trocar(
      xml, "<indTot>1</indTot>",
      "<indTot>1</indTot><med><nLote>L1</nLote><qLote>10.000</qLote><dFab>2010-01-31</dFab>"
      "<dVal>2012-01-31</dVal><vPMC>12.50</vPMC></med><med><nLote>L2</nLote><qLote>5.000</qLote>"
      "<dFab>2010-02-01</dFab><dVal>2012-02-01</dVal><vPMC>12.50</vPMC></med>");
  xml = Trocar(
      xml, "<indTot>0</indTot>",
      "<indTot>0</indTot><veicProd><tpOp>1</tpOp><chassi>9BWZZZ377VT004251</chassi><cCor>01</cCor>"
      "<xCor>PRATA</xCor><pot>100</pot><cilin>1600</cilin><pesoL>1000.0000</pesoL>"
      "<tpComb>16</tpComb><anoMod>2011</anoMod><anoFab>2010</anoFab><VIN>N</VIN><condVeic>1</"
      "condVeic>"
      "<cMod>123456</cMod></veicProd>");
  auto dados = Criar<TxndNFeDanfeDados40>(xml);
  dados->SetValidarRegrasNegocio(false);
  dados->CarregarDados();

  TClientDataSet& itens = Tabela(*dados, "DadosItens");
  TClientDataSet& med = Tabela(*dados, "DadosLotesMedicamento");
  TClientDataSet& veic = Tabela(*dados, "DadosVeiculosNovos");
  itens.First();
  EXPECT_EQ(itens.FieldByName("ItemNLote").AsString(), "L1");
  EXPECT_EQ(itens.FieldByName("ItemVPMC").AsString(), "12,50");
  EXPECT_EQ(Coluna(med, "nLote"), (std::vector<std::string>{"L1", "L2"}));
  med.First();
  EsperarCampos(med, {{"Item", "1"},
                      {"qLote", "10.000"},
                      {"dFab", "31/01/2010"},
                      {"dVal", "31/01/2012"},
                      {"vPMC", "12.50"}});
  EXPECT_EQ(veic.RecordCount(), 0);
  itens.Next();
  EXPECT_EQ(med.RecordCount(), 0);
  ASSERT_EQ(veic.RecordCount(), 1);
  EsperarCampos(veic, {{"Item", "2"},
                       {"tpOp", "1"},
                       {"chassi", "9BWZZZ377VT004251"},
                       {"xCor", "PRATA"},
                       {"cilin", "1600"},
                       {"pesoL", "1000.0000"},
                       {"cMod", "123456"},
                       {"CM3", ""}});
}

TEST_F(DanfeDadosTest, LongTextsAndManyItemsLoadWhole) {
  // 990 items and a 5,000-character infCpl.
  std::string xml = test::UnsignedNfe310(990);
  const std::size_t inicio = xml.find("<infCpl>") + 8;
  xml.replace(inicio, xml.find("</infCpl>") - inicio, std::string(5000, 'a'));
  auto dados = Criar<TxndNFeDanfeDados50>(xml);
  dados->SetValidarRegrasNegocio(false);
  dados->CarregarDados();
  EXPECT_EQ(Tabela(*dados, "DadosItens").RecordCount(), 990);
  TClientDataSet& d = Tabela(*dados, "Dados");
  const std::string caixa = d.FieldByName("ObsContribuinte").AsString();
  const std::string continuacao = d.FieldByName("ContinuaObsContribuinte").AsString();
  EXPECT_EQ(caixa, [] {
    std::string linhas;
    for (int i = 0; i < 7; ++i) linhas += std::string(68, 'a') + "\r\n";
    return linhas;
  }());
  EXPECT_EQ(continuacao,
            "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n" + std::string(5000 - 7 * 68, 'a'));
}

TEST_F(DanfeDadosTest, EmptyLineDelimiterLeavesTheTextAlone) {
  auto dados = Criar<TxndNFeDanfeDados40>(test::SharedFixture(Nfe200));
  dados->SetInfCplMaxRow(1);
  dados->CarregarDados();
  EXPECT_EQ(Tabela(*dados, "Dados").FieldByName("ObsContribuinte").AsString(),
            "Pz -> / / / / / / / / / / / (0000161);F.Pgto : 1-Dinheiro Vend : 1-W\r\n");
}

TEST(CodigoUFDanfeTest, UsesItsOwnTableWithForeignRecipients) {
  TxndNFeDanfeDados50 dados;
  EXPECT_EQ(dados.CodigoUFDanfe("SP"), "35");
  EXPECT_EQ(dados.CodigoUFDanfe("EX"), "99");
  EXPECT_EQ(dados.CodigoUFDanfe("AN"), "");
  EXPECT_EQ(dados.CodigoUFDanfe(""), "");
}

}  // namespace
}  // namespace xnd
