// A local stand-in for the NF-e web services of the authorisers: HTTPS on
// loopback that requires a client certificate, answering the services of
// manual 3.0 (SOAP 1.1, header and body as text parameters) and of manuals
// 4.0 / 5.0 / 5.0a (SOAP 1.1 or 1.2 with nfeCabecMsg / nfeDadosMsg /
// nfeDadosMsgZip) as the national services do. What it accepts lives in
// memory for the run.
//
// Every service of every section is at /<SECTION>/<key>, the key being the
// server-list key of the service ("/SP/NfeStatusServico2", "/SVCAN/NfeRecepcao3"),
// so a server list written by ListaServidores points every section at it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace xnd::sim {

struct TOpcoesSimulador {
  std::string Host = "127.0.0.1";
  int Porta = 0;             // 0: any free port
  std::string Certificado;   // server certificate (PEM)
  std::string Chave;         // its private key (PEM)
  std::string AutoridadeCA;  // authority that client certificates must chain to (PEM)
  std::string Esquemas;      // directory of the national schema packages; empty: no schema checks
  // Answers of a real authoriser that hosts must handle:
  // a note whose emitter's CNPJ base (8 digits) differs from the client
  // certificate's ("NAME:CNPJ" common name) is rejected with 213;
  bool VerificarCNPJBase = true;
  // the first receipt query of each batch answers 105 (still processing);
  bool Lento = false;
  // a receipt, situation or status query repeated within IntervaloConsulta of
  // the last one answered for the same receipt, key or UF is refused with 656.
  bool ConsumoIndevido = false;
  int IntervaloConsultaMs = 1000;
};

// One request as it arrived.
struct TRequisicaoRecebida {
  std::string Metodo;
  std::string Caminho;
  std::string SoapAction;   // the SOAPAction header as sent ("" when absent)
  std::string ContentType;  // the Content-Type header as sent
  std::string Corpo;
  std::string Cliente;  // common name of the client certificate
  int Status = 0;       // what the simulator answered
};

struct TRespostaHttp {
  int Status = 200;
  std::string ContentType;
  std::string Corpo;
};

class TSefazSimulador {
 public:
  explicit TSefazSimulador(TOpcoesSimulador aOpcoes);
  ~TSefazSimulador();
  TSefazSimulador(const TSefazSimulador&) = delete;
  TSefazSimulador& operator=(const TSefazSimulador&) = delete;

  // Binds and serves in background threads; std::runtime_error when the
  // certificate files do not load or the port cannot be bound.
  void Iniciar();
  void Parar();
  int Porta() const;
  // "https://<host>:<port>".
  std::string Endereco() const;

  // A server list (nfeServidores*.ini format) with every UF, AN, SVCAN and
  // SVCRS section holding every key of every manual generation.
  std::string ListaServidores() const;
  void GravarListaServidores(const std::string& aArquivo) const;

  std::vector<TRequisicaoRecebida> Requisicoes() const;
  void LimparRequisicoes();

  // The answer to one request, without the network (the HTTP handlers call it).
  // aCliente: the common name of the client certificate ("" when none).
  TRespostaHttp Atender(const std::string& aMetodo, const std::string& aCaminho,
                        const std::string& aConsulta, const std::string& aContentType,
                        const std::string& aSoapAction, const std::string& aCorpo,
                        const std::string& aCliente = "");

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

}  // namespace xnd::sim
