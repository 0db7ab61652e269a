// xndnfe driven as a user would: the program run with its arguments against
// the simulator (a separate process), its stdout, stderr and exit code read;
// the bad inputs also through the in-process entry point.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "external/xndGovUtils.h"
#include "tests/cli/CliSupport.h"

namespace xnd::test {
namespace {

using CliTest = CliTeste;

TEST_F(CliTest, StatusAgainstTheSimulatorInTextAndJson) {
  const SimulatorProcess simulador(Servidores());
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();

  const TResultado texto = Rodar({"status"});
  const TResultado json = Rodar({"status", "--json"});

  EXPECT_EQ(texto.Codigo, 0) << texto.Erros;
  EXPECT_EQ(texto.Saida, "107 - Servico em Operacao\n");
  EXPECT_EQ(texto.Erros, "");
  ASSERT_EQ(json.Codigo, 0) << json.Erros;
  const auto j = nlohmann::json::parse(json.Saida);
  EXPECT_EQ(j["cStat"], "107");
  EXPECT_EQ(j["cUF"], "35");
  EXPECT_EQ(j["tMed"], 1);
}

TEST_F(CliTest, ABatchIsSignedSentAndItsReceiptWaitedForEvenWhenTheServiceIsSlowAndStrict) {
  // 105 at the first receipt query, and 656 for a query sooner than a second
  // after the last: only a client that waits what the service asks gets through.
  const SimulatorProcess simulador(Servidores(),
                                   {"--qualquer-emitente", "--lento", "--consumo-indevido"});
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();
  const bool esquemas = InstalarEsquemas();
  const std::string lote = Lote(2);

  std::vector<std::string> args = {"enviar", lote, "--lote", "77", "--saida",
                                   FTemp.Path() + "procs", "--json"};
  if (!esquemas) args.push_back("--sem-validar");

  const TResultado r = Rodar(args);

  ASSERT_EQ(r.Codigo, 0) << r.Saida << r.Erros;
  const auto j = nlohmann::json::parse(r.Saida);
  EXPECT_EQ(j["cStat"], "104");
  ASSERT_EQ(j["protocolos"].size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(j["protocolos"][i]["chNFe"], FChaves[i]);
    EXPECT_EQ(j["protocolos"][i]["cStat"], "100");
    const std::string proc = FTemp.Path() + "procs/" + FChaves[i] + "-nfeProc.xml";
    ASSERT_TRUE(FileExists(proc)) << proc;
    if (esquemas) {
      TxndGovUtils utils;
      EXPECT_NO_THROW(utils->ValidateWithSchema(ReadFileBytes(proc),
                                                "http://www.portalfiscal.inf.br/nfe",
                                                FTemp.Path() + "Esquemas/vm50a/procNFe_v3.10.xsd"))
          << utils->GetValidationErrors();
    }
  }
  const TResultado consulta = Rodar({"consultar", FChaves[1]});
  EXPECT_EQ(consulta.Codigo, 0) << consulta.Erros;
  EXPECT_EQ(consulta.Saida.substr(0, 31), "100 - Autorizado o uso da NF-e\n");
}

TEST_F(CliTest, ANoteTheServiceRejectsExitsWithOneAndShowsTheRejection) {
  const SimulatorProcess simulador(Servidores(), {});  // checks the emitter's CNPJ base
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();

  const TResultado r = Rodar({"enviar", Lote(1), "--lote", "78", "--sem-validar"});

  EXPECT_EQ(r.Codigo, 1) << r.Erros;
  EXPECT_NE(r.Saida.find(FChaves[0] +
                         " 213 - Rejeicao: CNPJ-Base do Emitente difere do CNPJ-Base do "
                         "Certificado Digital\n"),
            std::string::npos)
      << r.Saida;
}

TEST_F(CliTest, BadInputIsOneLineOnStderrAndItsExitCode) {
  std::string notas;
  for (int i = 1; i <= 51; ++i) {
    std::string chave;
    notas += NFeWrapper + RenumberedNote(i, chave) + "</NFe>";
  }
  const std::string lote51 = FTemp.Write("lote51.xml", "<lote>" + notas + "</lote>");
  const std::string texto = FTemp.Write("nota.txt", "isto não é XML");
  const std::string config = "--config=" + FConfig;
  struct Caso {
    std::vector<std::string> Args;
    int Codigo;
    std::string Erro;
  };
  const std::vector<Caso> casos = {
      {{}, 2, "xndnfe: informe um comando (xndnfe --help lista os comandos)\n"},
      {{"emitir"}, 2, "xndnfe: comando desconhecido: emitir (xndnfe --help lista os comandos)\n"},
      {{"status", "--rapido", "1"},
       2,
       "xndnfe: opção desconhecida para status: --rapido (xndnfe status --help)\n"},
      {{"consultar"}, 2, "xndnfe: argumentos inválidos para consultar (xndnfe consultar --help)\n"},
      {{"--config", "/nao/existe.ini", "status"},
       2,
       "xndnfe: arquivo de configuração não encontrado: /nao/existe.ini\n"},
      {{config, "validar", texto}, 2, "xndnfe: " + texto + " não é um documento XML\n"},
      {{config, "assinar", lote51}, 2, "xndnfe: O Lote não pode possuir mais de 50 notas.\n"},
      {{config, "consultar", "123"}, 2, "xndnfe: Chave de acesso inválida: \"123\"\n"},
      {{config, "enviar", lote51, "--tentativas", "0"},
       2,
       "xndnfe: --tentativas deve ser um número de 1 a 1000: 0\n"},
  };
  for (const Caso& c : casos) {
    const TResultado r = Executar(c.Args);
    EXPECT_EQ(r.Codigo, c.Codigo) << c.Erro;
    EXPECT_EQ(r.Erros, c.Erro);
    EXPECT_EQ(r.Saida, "");
  }
}

TEST_F(CliTest, AWrongPasswordAndAServiceThatIsDownAreToldApartByTheExitCode) {
  {
    const SimulatorProcess simulador(Servidores());  // writes the list, then goes away
    if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();
  }
  const TResultado fora = Rodar({"status"});
  EXPECT_EQ(fora.Codigo, 3) << fora.Erros;
  EXPECT_EQ(fora.Erros.rfind("xndnfe: Erro ao consultar o status do serviço: ", 0), 0u) << fora.Erros;
  EXPECT_EQ(std::count(fora.Erros.begin(), fora.Erros.end(), '\n'), 1);

  const ScopedEnv senha("XNDNFE_SENHA_CERTIFICADO", "errada");
  const TResultado r = Rodar({"status"});
  EXPECT_EQ(r.Codigo, 2) << r.Erros;
  EXPECT_EQ(r.Erros.rfind("xndnfe: ", 0), 0u);
  EXPECT_EQ(std::count(r.Erros.begin(), r.Erros.end(), '\n'), 1) << r.Erros;
}

TEST_F(CliTest, HelpForTheToolAndEachCommand) {
  const TResultado geral = Executar({"--help"});
  EXPECT_EQ(geral.Codigo, 0);
  EXPECT_NE(geral.Saida.find("Códigos de saída: 0 sucesso, 1 rejeitado"), std::string::npos);
  for (const char* comando : {"status", "certificados", "validar", "assinar", "enviar", "recibo",
                              "consultar", "nfeproc", "gerar", "danfe", "evento", "cce"}) {
    const TResultado r = Executar({comando, "--help"});
    EXPECT_EQ(r.Codigo, 0);
    EXPECT_EQ(r.Saida.rfind(std::string("Uso: xndnfe ") + comando, 0), 0u) << comando;
  }
}

}  // namespace
}  // namespace xnd::test
