// A host program: signs a batch of notes with an A1 certificate and asks the
// state's authoriser for the status of its service.
//
//   host-example CERTIFICADO.pfx SENHA SERVIDORES.ini LOTE.xml ASSINADO.xml [DADOS]
//
// LOTE.xml holds one or more <infNFe Id="NFe..."> elements; the signed batch is
// written to ASSINADO.xml. The installation data (Templates/, Esquemas/) is
// looked for beside the program, or in DADOS when given (for example
// "$(pkg-config --variable=datadir xndnfe)").
#include <fstream>
#include <iostream>
#include <sstream>

#include "xndnfe.h"

namespace {

std::string ReadAll(const char* aPath) {
  std::ifstream in(aPath, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot read ") + aPath);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const char* aPath, const std::string& aText) {
  std::ofstream out(aPath, std::ios::binary);
  out << aText;
  if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + aPath);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) {
    std::cerr << "usage: " << argv[0]
              << " CERTIFICADO.pfx SENHA SERVIDORES.ini LOTE.xml ASSINADO.xml [DADOS]\n";
    return 2;
  }
  try {
    xnd::TxndNFe nfe;
    if (argc == 7) {
      const std::string dados = std::string(argv[6]) + "/";
      nfe.SetDiretorioTemplates(dados + "Templates/");
      nfe.SetDiretorioEsquemas(dados + "Esquemas/");
    }
    nfe.SetVersaoManual(xnd::vm50a);
    nfe.SetUF("SP");
    nfe.SetCNPJ("12345678000195");
    nfe.SetAmbiente(xnd::akHomologacao);
    nfe.SetArquivoServidoresHom(argv[3]);
    nfe.SetCaminhoCertificado(argv[1]);
    nfe.SetSenhaCertificado(argv[2]);
    // Verify the server against the system store plus XND_CA_BUNDLE.
    nfe.SetIgnoreInvalidCertificates(false);

    // The entry component links from the same library (engine, rules and
    // component are separate archives).
    xnd::TxndNFeDataSets entrada;
    entrada.SetVersaoEsquema(xnd::pl_008a);

    std::string assinado;
    nfe.AssinarLote(ReadAll(argv[4]), assinado);
    WriteAll(argv[5], assinado);

    const std::string status = nfe.ObterInterfaceVersao().StatusServico();
    std::cout << "cStat: " << xnd::ObterValorTag("cStat", status) << '\n'
              << "xMotivo: " << xnd::ObterValorTag("xMotivo", status) << '\n';
    return 0;
  } catch (const xnd::Exception& e) {
    std::cerr << e.ClassName() << ": " << e.Message() << '\n';
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
  }
  return 1;
}
