// xndnfe-sefaz-sim: a local NF-e authoriser for development and tests.
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "SefazSim.h"

namespace {

constexpr const char* Ajuda =
    "Usage: xndnfe-sefaz-sim --cert FILE --key FILE --ca FILE [options]\n"
    "\n"
    "A local stand-in for the NF-e web services (manual 3.0, 4.0, 5.0, 5.0a):\n"
    "HTTPS on loopback, a client certificate issued under --ca required.\n"
    "Every service of every section answers at /<SECTION>/<key>.\n"
    "\n"
    "Options:\n"
    "  --host ADDR            address to listen on (default 127.0.0.1)\n"
    "  --port N               port (default 8443; 0 picks a free one)\n"
    "  --cert FILE            server certificate, PEM\n"
    "  --key FILE             server private key, PEM\n"
    "  --ca FILE              authority of the client certificates, PEM\n"
    "  --schemas DIR          national schema packages (searched recursively);\n"
    "                         notes and events are then checked against them\n"
    "  --write-servers FILE   write a server list pointing every section here\n"
    "\n"
    "Answers a real authoriser gives, for hosts to handle:\n"
    "  --qualquer-emitente    accept notes of any emitter; by default a note whose\n"
    "                         emitter CNPJ base differs from the client certificate's\n"
    "                         (\"NAME:CNPJ\" common name) is rejected with 213\n"
    "  --lento                the first receipt query of each batch answers 105\n"
    "                         (batch still being processed)\n"
    "  --consumo-indevido     a receipt, situation or status query repeated within\n"
    "                         one second of the last one answered gets 656\n"
    "  --help                 this text\n";

volatile std::sig_atomic_t Parar = 0;

void AoSinal(int) { Parar = 1; }

bool Valor(int& i, int argc, char** argv, std::string& aDestino) {
  if (i + 1 >= argc) {
    std::cerr << "xndnfe-sefaz-sim: " << argv[i] << " needs a value\n";
    return false;
  }
  aDestino = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  xnd::sim::TOpcoesSimulador opcoes;
  opcoes.Porta = 8443;
  std::string lista;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    std::string porta;
    if (a == "--help" || a == "-h") {
      std::cout << Ajuda;
      return 0;
    }
    bool ok = true;
    if (a == "--host")
      ok = Valor(i, argc, argv, opcoes.Host);
    else if (a == "--port")
      ok = Valor(i, argc, argv, porta);
    else if (a == "--cert")
      ok = Valor(i, argc, argv, opcoes.Certificado);
    else if (a == "--key")
      ok = Valor(i, argc, argv, opcoes.Chave);
    else if (a == "--ca")
      ok = Valor(i, argc, argv, opcoes.AutoridadeCA);
    else if (a == "--schemas")
      ok = Valor(i, argc, argv, opcoes.Esquemas);
    else if (a == "--write-servers")
      ok = Valor(i, argc, argv, lista);
    else if (a == "--qualquer-emitente")
      opcoes.VerificarCNPJBase = false;
    else if (a == "--lento")
      opcoes.Lento = true;
    else if (a == "--consumo-indevido")
      opcoes.ConsumoIndevido = true;
    else {
      std::cerr << "xndnfe-sefaz-sim: unknown option " << a << "\n" << Ajuda;
      return 2;
    }
    if (!ok) return 2;
    if (!porta.empty()) opcoes.Porta = std::atoi(porta.c_str());
  }
  if (opcoes.Certificado.empty() || opcoes.Chave.empty() || opcoes.AutoridadeCA.empty()) {
    std::cerr << "xndnfe-sefaz-sim: --cert, --key and --ca are required\n" << Ajuda;
    return 2;
  }
  try {
    xnd::sim::TSefazSimulador simulador(opcoes);
    simulador.Iniciar();
    if (!lista.empty()) simulador.GravarListaServidores(lista);
    std::cout << "xndnfe-sefaz-sim: listening on " << simulador.Endereco() << std::endl;
    std::signal(SIGINT, AoSinal);
    std::signal(SIGTERM, AoSinal);
    while (!Parar) pause();
    simulador.Parar();
  } catch (const std::exception& e) {
    std::cerr << "xndnfe-sefaz-sim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
