// xndnfe danfe, evento and cce against the simulator: a note authorised,
// its DANFE exported (PDF and PNG, read back with the poppler and zbar
// tools), a correction letter registered, printed to PDF and on a loopback
// IPP printer, then the note cancelled; and every bad input with its code.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "events/xndNFeEventosXmlUtils.h"
#include "external/xndGovUtils.h"
#include "tests/cli/CliSupport.h"
#include "tests/report/IppPrinter.h"
#include "tests/report/ReportSupport.h"
#include "tests/support/SampleDocuments.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

using CliDocumentosTest = CliTeste;

constexpr const char* Correcao = "Onde se lê Rua das Flores, 10, leia-se Rua das Flores, 100";
constexpr const char* Justificativa = "Pedido cancelado pelo cliente antes da saída";

// The procEventoNFe against the national schema of its event, when installed.
void ValidarProcEvento(const std::string& aArquivo, const std::string& aEsquema) {
  if (!FileExists(aEsquema)) return;
  TxndGovUtils utils;
  EXPECT_NO_THROW(utils->ValidateWithSchema(ReadFileBytes(aArquivo),
                                            "http://www.portalfiscal.inf.br/nfe", aEsquema))
      << utils->GetValidationErrors();
}

TEST_F(CliDocumentosTest, AnAuthorisedNoteGetsItsDanfeAPrintedCorrectionAndIsCancelled) {
  const SimulatorProcess simulador(Servidores());
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();
  const bool esquemas = InstalarEsquemas();
  std::vector<std::string> enviar = {"enviar", Lote(1), "--saida", FTemp.Path() + "procs"};
  if (!esquemas) enviar.push_back("--sem-validar");
  ASSERT_EQ(Rodar(enviar).Codigo, 0);
  const std::string chave = FChaves[0];
  const std::string proc = FTemp.Path() + "procs/" + chave + "-nfeProc.xml";

  // DANFE: the PDF with the key in its bar code, and one PNG per page.
  const std::string pdf = FTemp.Path() + "danfe.pdf";
  const TResultado danfe = Rodar({"danfe", proc, "-o", pdf, "--png", "--json"});
  ASSERT_EQ(danfe.Codigo, 0) << danfe.Erros;
  const auto jd = nlohmann::json::parse(danfe.Saida);
  EXPECT_EQ(jd["pdf"], pdf);
  EXPECT_EQ(PdfBarcodes(pdf), std::vector<std::string>{"CODE-128:" + chave});
  ASSERT_EQ(jd["png"].size(), static_cast<std::size_t>(ReadPdfInfo(pdf).Pages));
  EXPECT_EQ(jd["png"][0], FTemp.Path() + "danfe-1.png");

  // The correction letter, registered; its distribution XML where -o says.
  const std::string cce = FTemp.Path() + "cce.xml";
  std::vector<std::string> evento = {"evento", "cce", proc, Correcao, "--seq", "2", "-o", cce};
  if (!esquemas) evento.push_back("--sem-validar");
  const TResultado registro = Rodar(evento);
  ASSERT_EQ(registro.Codigo, 0) << registro.Erros;
  const std::string nProt = ObterValorTag("nProt", ObterRetEvento(ReadFileBytes(cce)));
  EXPECT_EQ(registro.Saida, chave + " 135 - Evento registrado e vinculado a NF-e (protocolo " +
                                nProt + ")\nprocEventoNFe gravado em " + cce + "\n");
  EXPECT_EQ(ObterValorTag("nSeqEvento", ReadFileBytes(cce)), "2");
  ValidarProcEvento(cce, FTemp.Path() + "Esquemas/vm50a/Evento_CCe_PL_v1.01/procCCeNFe_v1.00.xsd");

  // Printed to PDF: the correction and the event's protocol show.
  const TResultado exportada = Rodar({"cce", cce, "-o", FTemp.Path() + "cce.pdf"});
  ASSERT_EQ(exportada.Codigo, 0) << exportada.Erros;
  EXPECT_EQ(exportada.Saida, "CC-e gravada em " + FTemp.Path() + "cce.pdf\n");
  const std::string texto = PdfText(FTemp.Path() + "cce.pdf");
  EXPECT_NE(texto.find(Correcao), std::string::npos) << texto;
  EXPECT_NE(texto.find(nProt), std::string::npos) << texto;

  // And on a printer, with the copies asked for; the DANFE too.
  const IppPrinter impressora;
  if (impressora.Failure().empty()) {
    const TResultado impressa =
        Rodar({"cce", cce, "--impressora", impressora.Uri(), "--copias", "2"});
    ASSERT_EQ(impressa.Codigo, 0) << impressa.Erros;
    const TResultado danfeImpresso = Rodar({"danfe", proc, "--impressora", impressora.Uri()});
    ASSERT_EQ(danfeImpresso.Codigo, 0) << danfeImpresso.Erros;
    EXPECT_EQ(danfeImpresso.Saida, "DANFE enviado à impressora " + impressora.Uri() + "\n");
    const std::vector<std::string> trabalhos = impressora.Jobs(2);
    ASSERT_EQ(trabalhos.size(), 2u);
    // The CC-e's two copies; the DANFE's one (the configured default).
    EXPECT_EQ(std::count_if(trabalhos.begin(), trabalhos.end(),
                            [](const std::string& t) {
                              return t.find("IPP_COPIES=2\n") != std::string::npos;
                            }),
              1)
        << trabalhos[0] << trabalhos[1];
  }

  // The cancellation takes the protocol from the nfeProc; the note is then cancelled.
  std::vector<std::string> cancelar = {"evento", "cancelar", proc, Justificativa, "--json"};
  if (!esquemas) cancelar.push_back("--sem-validar");
  const TResultado cancelamento = Rodar(cancelar);
  ASSERT_EQ(cancelamento.Codigo, 0) << cancelamento.Erros;
  const auto jc = nlohmann::json::parse(cancelamento.Saida);
  EXPECT_EQ(jc["cStat"], "135");
  const std::string procCanc = jc["arquivo"];
  EXPECT_EQ(std::filesystem::path(procCanc).filename(), chave + "-canc-procEventoNFe.xml");
  EXPECT_EQ(ObterValorTag("nProt", ReadFileBytes(procCanc)),
            ObterValorTag("nProt", ReadFileBytes(proc)));  // the authorisation's, in detEvento
  ValidarProcEvento(
      procCanc, FTemp.Path() + "Esquemas/vm50a/Evento_Generico_PL_v1.01/procEventoNFe_v1.00.xsd");
  const TResultado situacao = Rodar({"consultar", chave});
  EXPECT_EQ(situacao.Codigo, 1);
  EXPECT_EQ(situacao.Saida.substr(0, 4), "101 ");
}

TEST_F(CliDocumentosTest, BadInputIsOneLineOnStderrAndExitTwo) {
  const std::string lote = Lote(1);
  const std::string chave = FChaves[0];
  const std::string texto = FTemp.Write("nota.txt", "isto não é XML");
  const std::string cce = FTemp.Write("cce.xml", SharedFixture("cce_procEventoNFe_135.xml"));
  std::string recusada = SharedFixture("cce_procEventoNFe_135.xml");
  for (std::size_t at; (at = recusada.find("<cStat>135")) != std::string::npos;)
    recusada.replace(at, 10, "<cStat>573");
  const std::string naoAutorizada = FTemp.Write("cce573.xml", recusada);
  const std::string pdf = FTemp.Path() + "saida.pdf";
  const std::string config = "--config=" + FConfig;
  struct Caso {
    std::vector<std::string> Args;
    std::string Erro;
  };
  const std::vector<Caso> casos = {
      {{"danfe", lote}, "informe -o ARQUIVO.pdf ou --imprimir (xndnfe danfe --help)"},
      {{"danfe", lote, "-o", pdf, "--imprimir"}, "escolha -o ou --imprimir, não os dois"},
      {{"danfe", lote, "--imprimir", "--png"}, "--png pede -o ARQUIVO.pdf"},
      {{"danfe", texto, "-o", pdf}, texto + " não é um documento XML"},
      {{"danfe", lote, "-o", "/nao/existe/danfe.pdf"}, "pasta não encontrada: /nao/existe"},
      {{"danfe", lote, "-o", pdf, "--copias", "0"}, "--copias deve ser um número de 1 a 999: 0"},
      {{"danfe", cce, "-o", pdf}, cce + " é uma carta de correção (use xndnfe cce)"},
      {{"evento", "carta", chave, Correcao}, "evento desconhecido: carta (use cce ou cancelar)"},
      {{"evento", "cce", chave, "Rua 100"}, "a correção deve ter de 15 a 1000 caracteres (tem 7)"},
      {{"evento", "cce", chave, std::string(1001, 'x')},
       "a correção deve ter de 15 a 1000 caracteres (tem 1001)"},
      {{"evento", "cce", chave, Correcao, "--seq", "21"}, "--seq deve ser um número de 1 a 20: 21"},
      {{"evento", "cce", "123", Correcao}, "arquivo não encontrado: 123"},
      {{"evento", "cancelar", chave, Justificativa},
       "informe o protocolo de autorização da nota (--protocolo) ou o seu nfeProc"},
      {{"evento", "cancelar", chave, Justificativa, "--protocolo", "12345"},
       "protocolo de autorização inválido: 12345"},
      {{"evento", "cancelar", chave, Justificativa, "--seq", "2"},
       "o cancelamento não tem --seq (é sempre o evento 1)"},
      {{"evento", "cancelar", chave, "Erro"},
       "a justificativa deve ter de 15 a 255 caracteres (tem 4)"},
      {{"cce", lote, "-o", pdf}, lote + " não é uma carta de correção"},
      {{"cce", naoAutorizada, "-o", pdf}, "A CCe não está Autorizada."},
  };
  for (const Caso& c : casos) {
    std::vector<std::string> args = c.Args;
    args.insert(args.begin(), config);
    const TResultado r = Executar(args);
    EXPECT_EQ(r.Codigo, 2) << c.Erro;
    EXPECT_EQ(r.Erros, "xndnfe: " + c.Erro + "\n");
    EXPECT_EQ(r.Saida, "");
  }
  EXPECT_FALSE(FileExists(pdf));
}

TEST_F(CliDocumentosTest, AnEventThatCannotReachTheServiceExitsWithThree) {
  {
    const SimulatorProcess simulador(Servidores());  // writes the list, then goes away
    if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();
  }
  const std::string chave = std::string(Nfe310Id).substr(3);
  const TResultado r = Rodar({"evento", "cce", chave, Correcao, "--sem-validar"});
  EXPECT_EQ(r.Codigo, 3) << r.Erros;
  EXPECT_EQ(r.Erros.rfind("xndnfe: Erro ao enviar o evento: ", 0), 0u) << r.Erros;
  EXPECT_EQ(std::count(r.Erros.begin(), r.Erros.end(), '\n'), 1);
  EXPECT_EQ(r.Saida, "");
}

}  // namespace
}  // namespace xnd::test
