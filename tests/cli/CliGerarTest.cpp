// xndnfe gerar: the example descriptions (examples/cli) generated, signed,
// validated against the national schema and sent to the simulator; the forms
// of a description; a rule violation and bad descriptions with their whole
// stderr lines and exit codes.
#include <gtest/gtest.h>

#include <ctime>
#include <nlohmann/json.hpp>

#include "tests/cli/CliSupport.h"

namespace xnd::test {
namespace {

using CliGerarTest = CliTeste;

std::string Exemplo(const std::string& aNome) {
  return std::string(XND_SOURCE_DIR) + "/examples/cli/" + aNome;
}

// Today in São Paulo (UTC-3, no daylight saving time since 2019).
std::string HojeEmSaoPaulo() {
  const std::time_t agora = std::time(nullptr) - 3 * 3600;
  std::tm data{};
  gmtime_r(&agora, &data);
  char texto[11];
  std::strftime(texto, sizeof texto, "%Y-%m-%d", &data);
  return texto;
}

// The example note, changed by text replacements, written to the temporary folder.
std::string ExemploAlterado(TempDir& aTemp, const std::string& aNome,
                            const std::vector<std::pair<std::string, std::string>>& aTrocas) {
  std::string texto = ReadFileBytes(Exemplo("nota.json"));
  for (const auto& [de, para] : aTrocas) {
    EXPECT_NE(texto.find(de), std::string::npos) << de;
    texto = StringReplace(texto, de, para, false);
  }
  return aTemp.Write(aNome, texto);
}

TEST_F(CliGerarTest, TheExampleNotePassesTheRulesAndItsSignedNoteIsValidAgainstTheNationalSchema) {
  const std::string lote = FTemp.Path() + "lote.xml";
  const std::string hoje = HojeEmSaoPaulo();

  const TResultado r = Rodar({"gerar", Exemplo("nota.json"), "-o", lote});

  ASSERT_EQ(r.Codigo, 0) << r.Erros;
  EXPECT_EQ(r.Erros, "");
  ASSERT_EQ(r.Saida.size(), 44u + 8u) << r.Saida;
  const std::string chave = r.Saida.substr(0, 44);
  EXPECT_EQ(r.Saida.substr(44), " gerada\n");
  // cUF, AAMM of the date of issue, CNPJ, mod, serie, nNF, tpEmis, cNF.
  EXPECT_EQ(
      chave.substr(0, 2) + "|" + chave.substr(2, 4) + "|" + chave.substr(6, 37),
      "35|" + hoje.substr(2, 2) + hoje.substr(5, 2) + "|1234567800019555001000000001110000001");
  const std::string xml = ReadFileBytes(lote);
  EXPECT_EQ(xml.rfind(std::string("<lote>") + NFeWrapper + "<infNFe Id=\"NFe" + chave +
                          "\" versao=\"3.10\">",
                      0),
            0u);
  EXPECT_EQ(xml.substr(xml.size() - 22), "</infNFe></NFe></lote>");
  // Left empty in nota.json: issued now, in the time zone of SP.
  const std::string emissao = ObterValorTag("dhEmi", xml);
  EXPECT_EQ(emissao.size(), 25u) << emissao;
  EXPECT_EQ(emissao.substr(0, 10) + emissao.substr(19), hoje + "-03:00") << emissao;

  if (!InstalarEsquemas())
    GTEST_SKIP() << "the national schemas are not in " XND_SHARED_DIR "/schemas";
  const std::string assinado = FTemp.Path() + "assinado.xml";
  const TResultado assinatura = Rodar({"assinar", lote, "-o", assinado});
  ASSERT_EQ(assinatura.Codigo, 0) << assinatura.Erros;
  const std::vector<std::string> notas = SignedNotes(ReadFileBytes(assinado));
  ASSERT_EQ(notas.size(), 1u);
  const std::string nfe = FTemp.Write("nfe.xml", notas[0]);
  const TResultado validacao = Executar({"--config", FConfig, "validar", nfe});
  EXPECT_EQ(validacao.Codigo, 0) << validacao.Saida;
  EXPECT_EQ(validacao.Saida, nfe + ": válido\n");
}

TEST_F(CliGerarTest, TwoNotesFromJsonAndIniAreSignedSentAndAuthorised) {
  const SimulatorProcess simulador(Servidores(), {});  // checks the emitter's CNPJ base
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();
  const bool esquemas = InstalarEsquemas();
  const std::string lote = FTemp.Path() + "lote.xml";

  const TResultado gerar =
      Rodar({"gerar", Exemplo("nota.json"), Exemplo("nota.ini"), "-o", lote, "--json"});

  ASSERT_EQ(gerar.Codigo, 0) << gerar.Erros;
  const auto geradas = nlohmann::json::parse(gerar.Saida);
  ASSERT_EQ(geradas["notas"].size(), 2u);
  EXPECT_EQ(geradas["notas"][0]["arquivo"], Exemplo("nota.json"));
  EXPECT_EQ(geradas["notas"][1]["arquivo"], Exemplo("nota.ini"));
  EXPECT_EQ(geradas["saida"], lote);

  std::vector<std::string> args = {"enviar", lote, "--lote", "21", "--json"};
  if (!esquemas) args.push_back("--sem-validar");
  const TResultado r = Rodar(args);

  ASSERT_EQ(r.Codigo, 0) << r.Saida << r.Erros;
  const auto j = nlohmann::json::parse(r.Saida);
  EXPECT_EQ(j["cStat"], "104");
  ASSERT_EQ(j["protocolos"].size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(j["protocolos"][i]["chNFe"], geradas["notas"][i]["chNFe"]);
    EXPECT_EQ(j["protocolos"][i]["cStat"], "100") << j["protocolos"][i]["xMotivo"];
  }
}

TEST_F(CliGerarTest, SeveralNotesInOneJsonNumbersAsWrittenAndIniRecordsInNumberOrder) {
  const std::string nota = ReadFileBytes(Exemplo("nota.json"));
  std::string outra = StringReplace(nota, "\"nNF_B08\": \"1\"", "\"nNF_B08\": \"3\"", false);
  outra = StringReplace(outra, "\"pesoL_X31\": \"12.500\"", "\"pesoL_X31\": 12.500", false);
  outra = StringReplace(outra, "Venda de mercadoria", "Venda de mercadoria à vista", false);
  // Saved in Windows-1252, as Windows programs export it.
  const std::string notas =
      FTemp.Write("notas.json", Utf8ToWin1252("{\"notas\": [" + nota + "," + outra + "]}"));
  // With a byte order mark, as Windows editors save it.
  const std::string ini =
      FTemp.Write("volumes.ini", "\xEF\xBB\xBF" + ReadFileBytes(Exemplo("nota.ini")) +
                                     "\n[X/VOL:3]\nqVol_X27=3\n[X/VOL:2]\nqVol_X27=2\n");

  const TResultado r = Executar({"--config", FConfig, "gerar", notas, ini, "--json"});

  ASSERT_EQ(r.Codigo, 0) << r.Erros;
  const auto j = nlohmann::json::parse(r.Saida);
  ASSERT_EQ(j["notas"].size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(j["notas"][i]["arquivo"], i < 2 ? notas : ini);
    EXPECT_EQ(j["notas"][i]["nota"], i < 2 ? i + 1 : 1);
  }
  const std::string lote = j["lote"];
  std::vector<std::string> xmls;
  for (int i = 0; i < 3; ++i) {
    xmls.push_back(TxndNFeXmlUtils::ExtrairNFePadrao(i, lote, false));
    EXPECT_EQ(TxndNFeXmlUtils::ObterChaveAcesso(NFeWrapper + xmls.back() + "</NFe>", false),
              j["notas"][i]["chNFe"]);
  }
  EXPECT_EQ(ObterValorTag("nNF", xmls[1]), "3");
  EXPECT_EQ(ObterValorTag("pesoL", xmls[1]), "12.500");
  EXPECT_EQ(ObterValorTag("natOp", xmls[1]), "Venda de mercadoria à vista");
  const std::size_t vol = xmls[2].find("<vol>");
  ASSERT_NE(vol, std::string::npos);
  EXPECT_EQ(xmls[2].substr(vol, 26), "<vol><qVol>1</qVol><esp>PA");
  EXPECT_NE(xmls[2].find("</vol><vol><qVol>2</qVol></vol><vol><qVol>3</qVol></vol></transp>"),
            std::string::npos);
}

// The 3.10 example under older packages: the fields their layouts lack are
// named on stderr (the note is generated all the same).
TEST_F(CliGerarTest, ThePackageFollowsTheManualTheDateItsLayoutAndFieldsLeftOutAreNamed) {
  const std::string nota = Exemplo("nota.json");
  const std::string fora310 = "idDest_B11a, indFinal_B25a, indPres_B25b";
  struct Caso {
    std::vector<std::string> Opcoes;
    std::string Campo;  // the date the package writes, filled with today
    std::string Ausente;
    std::string Aviso;
  };
  const std::vector<Caso> casos = {
      {{}, "dhEmi", "<dEmi>", ""},
      {{"--versao", "5.0"},
       "dEmi",
       "<dhEmi>",
       "xndnfe: aviso: " + nota + ": campos que a nota gerada não leva (pl_006s): " + fora310 +
           ", indIEDest_E16a, vICMSDeson_W04a\n"},
      {{"--versao", "3.0"},
       "dEmi",
       "<dhEmi>",
       "xndnfe: aviso: " + nota + ": campos que a nota gerada não leva (pl_005f): " + fora310 +
           ", CRT_C21, indIEDest_E16a, email_E19, vICMSDeson_W04a\n"},
      {{"--versao", "5.0", "--esquema", "PL_008A"}, "dhEmi", "<dEmi>", ""},
  };
  for (const Caso& c : casos) {
    std::vector<std::string> args = {"--config", FConfig, "gerar", nota, "--sem-regras"};
    args.insert(args.end(), c.Opcoes.begin(), c.Opcoes.end());
    const TResultado r = Executar(args);
    ASSERT_EQ(r.Codigo, 0) << r.Erros;
    EXPECT_EQ(ObterValorTag(c.Campo, r.Saida).substr(0, 10), HojeEmSaoPaulo()) << c.Campo;
    EXPECT_EQ(r.Saida.find(c.Ausente), std::string::npos) << c.Ausente;
    EXPECT_EQ(r.Erros, c.Aviso);
  }
  // A group no 3.10 writer reads, and a field its CST does not take.
  const std::string extra = ExemploAlterado(
      FTemp, "extra.json",
      {{"\"Z\": {", "\"PAG\": {\"tPag_YA02\": \"01\"}, \"Z\": {"},
       {"\"vICMS_N17\": \"27.00\"", "\"vICMS_N17\": \"27.00\", \"pRedBC_N14\": \"10.00\""}});
  const TResultado r = Executar({"--config", FConfig, "gerar", extra});
  EXPECT_EQ(r.Codigo, 0) << r.Erros;
  EXPECT_EQ(r.Erros, "xndnfe: aviso: " + extra +
                         ": campos que a nota gerada não leva (pl_008a): pRedBC_N14, tPag_YA02\n");
}

TEST_F(CliGerarTest, ARuleViolationExitsWithOneShowsTheWholeRuleAndWritesNothing) {
  const std::string nota =
      ExemploAlterado(FTemp, "cnpj.json", {{"12345678000195", "12345678000196"}});
  const std::string lote = FTemp.Path() + "lote.xml";

  const TResultado r = Rodar({"gerar", Exemplo("nota.ini"), nota, "-o", lote});

  EXPECT_EQ(r.Codigo, 1);
  EXPECT_EQ(
      r.Erros,
      "xndnfe: " + nota +
          ": [GC02]: 207 - Rejeição: CNPJ do emitente inválido. Verifique o Campo: CNPJ_C02\n");
  EXPECT_EQ(r.Saida, "");
  EXPECT_FALSE(FileExists(lote));

  for (const std::vector<std::string>& opcoes :
       std::vector<std::vector<std::string>>{{"--sem-regras"}, {"--excecoes", "GB12.1;GC02"}}) {
    std::vector<std::string> args = {"--config", FConfig, "gerar", nota};
    args.insert(args.end(), opcoes.begin(), opcoes.end());
    const TResultado semRegra = Executar(args);
    EXPECT_EQ(semRegra.Codigo, 0) << opcoes[0] << ": " << semRegra.Erros;
    EXPECT_NE(semRegra.Saida.find("<CNPJ>12345678000196</CNPJ>"), std::string::npos);
  }
}

TEST_F(CliGerarTest, TheSameNoteTwiceInOneBatchIsRefused) {
  const std::string nota = Exemplo("nota.json");
  const TResultado uma = Executar({"--config", FConfig, "gerar", nota, "--json"});
  ASSERT_EQ(uma.Codigo, 0) << uma.Erros;
  const std::string chave = nlohmann::json::parse(uma.Saida)["notas"][0]["chNFe"];
  const std::string lote = FTemp.Path() + "lote.xml";

  const TResultado r = Executar({"--config", FConfig, "gerar", nota, nota, "-o", lote});

  EXPECT_EQ(r.Codigo, 2);
  EXPECT_EQ(r.Erros,
            "xndnfe: " + nota + ": a chave de acesso " + chave + " repete a de " + nota + "\n");
  EXPECT_FALSE(FileExists(lote));
}

TEST_F(CliGerarTest, BadDescriptionsAreOneLineOnStderrWithExitTwoAndNothingWritten) {
  const auto escrever = [&](const std::string& aNome, const std::string& aTexto) {
    return FTemp.Write(aNome, aTexto);
  };
  std::string muitas = "{\"notas\": [{}";
  for (int i = 1; i < 51; ++i) muitas += ",{}";
  struct Caso {
    std::string Arquivo;
    std::string Erro;  // after "xndnfe: " + the file's name
    std::vector<std::string> Opcoes;
  };
  const std::vector<Caso> casos = {
      {FTemp.Path() + "nao-existe.json",
       "arquivo não encontrado: " + FTemp.Path() + "nao-existe.json",
       {}},
      {escrever("texto.txt", "natOp_B04=Venda\n"), ": não é uma descrição JSON nem INI", {}},
      {escrever("vazio.json", ""), ": não é uma descrição JSON nem INI", {}},
      {escrever("mal.json", "{\n  \"B\": {\"natOp_B04\": \"x\",}\n}"),
       ": JSON malformado na linha 2, coluna 26",
       {}},
      {escrever("curto.json", "{\"B\": {"), ": JSON malformado na linha 1, coluna 8", {}},
      {escrever("repetida.json", "{\"B\": {\"natOp_B04\": \"a\", \"natOp_B04\": \"b\"}}"),
       ": chave repetida: natOp_B04",
       {}},
      {escrever("campo.json", "{\"B\": {\"natop_B04\": \"Venda\"}}"),
       ": campo desconhecido no grupo B: natop_B04",
       {}},
      {escrever("handle.json", "{\"H\": [{\"I\": {\"handle_H\": \"7\"}}]}"),
       ": campo desconhecido no grupo I: handle_H",
       {}},
      {escrever("grupo.json", "{\"QQ\": {}}"), ": grupo desconhecido: QQ", {}},
      {escrever("mestre.json", "{\"N\": {}}"),
       ": o grupo N não é um grupo da nota (o seu mestre é H)",
       {}},
      {escrever("detalhe.json", "{\"X\": {\"DUP\": {}}}"),
       ": o grupo DUP não é um detalhe do grupo X (o seu mestre é Y)",
       {}},
      {escrever("mestre2.json", "{\"H\": {\"B\": {}}}"),
       ": o grupo B não é um detalhe do grupo H (é um grupo da nota)",
       {}},
      {escrever("bool.json", "{\"B\": {\"natOp_B04\": true}}"),
       ": o campo natOp_B04 do grupo B deve ser um texto ou um número",
       {}},
      {escrever("null.json", "{\"B\": {\"natOp_B04\": null}}"),
       ": o campo natOp_B04 do grupo B deve ser um texto ou um número",
       {}},
      {escrever("objeto.json", "{\"B\": {\"natOp_B04\": {\"x\": \"1\"}}}"),
       ": o campo natOp_B04 do grupo B deve ser um texto ou um número",
       {}},
      {escrever("registro.json", "{\"B\": \"Venda\"}"),
       ": o grupo B deve ser um objeto ou uma lista de objetos",
       {}},
      {escrever("unico.json", "{\"B\": [{}, {}]}"), ": o grupo B admite um só registro", {}},
      {escrever("vazia.json", "{\"notas\": []}"),
       ": \"notas\" deve ser uma lista de notas, com ao menos uma",
       {}},
      {escrever("outras.json", "{\"notas\": [{}], \"B\": {}}"),
       ": uma descrição com \"notas\" não tem outras chaves",
       {}},
      {escrever("lista.json", "{\"notas\": [{}, 2]}"), ": a nota 2 não é um objeto", {}},
      {escrever("campo.ini", "[B]\nnatop_B04=Venda\n"),
       ": campo desconhecido no grupo B: natop_B04",
       {}},
      {escrever("secao.ini", "[H:0/I]\n"), ": seção inválida: [H:0/I]", {}},
      {escrever("secao2.ini", "[H:1//I]\n"), ": seção inválida: [H:1//I]", {}},
      {escrever("repetida.ini", "[H]\nnItem_H02=1\n[H:1]\n"), ": seção repetida: [H:1]", {}},
      {escrever("chave.ini", "[B]\nnNF_B08=1\nnNF_B08=2\n"),
       ": campo repetido em [B]: nNF_B08",
       {}},
      {escrever("fora.ini", "; nota\nnNF_B08=1\n[B]\n"),
       ": linha fora de uma seção: nNF_B08=1",
       {}},
      {escrever("linha.ini", "[B]\nnNF_B08 1\n"), ": linha sem \"=\" em [B]: nNF_B08 1", {}},
      {ExemploAlterado(FTemp, "enum.json", {{"\"mod_B06\": \"55\"", "\"mod_B06\": \"99\""}}),
       ": Conteúdo 99 é inválido para o campo mod_B06 [Código do modelo do Documento Fiscal].",
       {}},
      {ExemploAlterado(FTemp, "itens.json",
                       {{"\"nItem_H02\": \"2\",", "\"nItem_H02\": \"2\", \"M\": [{}, {}],"}}),
       ": o grupo M admite um só registro",
       {}},
      {escrever("segunda.json",
                "{\"notas\": [" + ReadFileBytes(Exemplo("nota.json")) + ", {\"QQ\": {}}]}"),
       ", nota 2: grupo desconhecido: QQ",
       {}},
      {escrever("muitas.json", muitas + "]}"),
       "O Lote não pode possuir mais de 50 notas: as descrições somam 51.",
       {}},
      {Exemplo("nota.json"),
       "pacote de esquemas desconhecido: pl_009 (use um de pl_005a a pl_008a)",
       {"--esquema", "pl_009"}},
  };
  const std::string saida = FTemp.Path() + "lote.xml";
  for (const Caso& c : casos) {
    std::vector<std::string> args = {"--config", FConfig, "gerar", c.Arquivo, "-o", saida};
    args.insert(args.end(), c.Opcoes.begin(), c.Opcoes.end());
    const TResultado r = Executar(args);
    const std::string prefixo = c.Erro[0] == ':' || c.Erro[0] == ',' ? c.Arquivo : "";
    EXPECT_EQ(r.Codigo, 2) << c.Erro;
    EXPECT_EQ(r.Erros, "xndnfe: " + prefixo + c.Erro + "\n");
    EXPECT_EQ(r.Saida, "");
    EXPECT_FALSE(FileExists(saida)) << c.Erro;
  }
}

}  // namespace
}  // namespace xnd::test
