// What the simulated authoriser answers to each NF-e message, with the
// notes, receipts, cancellations and events it accepted during the run.
#pragma once

#include <libxml/tree.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "SimXml.h"

namespace xnd::sim {

// The kind of web service a server-list key names.
enum class TServico {
  Status,
  Cancelamento,
  Consulta,
  Inutilizacao,
  Recepcao,
  RetRecepcao,
  Cadastro,
  Evento,
  Destinadas,
  Download
};

// The message root element each service accepts ("consStatServ" ...).
const char* RaizEsperada(TServico aServico);

// The behaviours a run switches on (see TOpcoesSimulador).
struct TComportamento {
  bool VerificarCNPJBase = true;
  bool Lento = false;
  bool ConsumoIndevido = false;
  std::chrono::milliseconds IntervaloConsulta{1000};
};

// The CNPJ of an ICP-Brasil style common name ("RAZAO SOCIAL:CNPJ"); "" when
// the name carries none.
std::string CNPJDoCertificado(const std::string& aNomeComum);

class TServicos {
 public:
  explicit TServicos(TEsquemas& aEsquemas, TComportamento aComportamento = {})
      : FEsquemas(aEsquemas), FComportamento(aComportamento) {}

  // The answer document to aMensagem (whose root is RaizEsperada(aServico)).
  // aCUF: the UF code of the message header, when there was one;
  // aCNPJCliente: the CNPJ of the client certificate, when it names one.
  std::string Responder(TServico aServico, xmlDoc* aMensagem, const std::string& aCUF,
                        const std::string& aCNPJCliente = "");

 private:
  struct TNota {
    std::string ProtNFe;  // the authorisation protocol, as sent in answers
    std::string NProt;
    std::string Versao;
    bool Cancelada = false;
    std::string NFe;  // the signed NFe element as received
    // What the addressed-documents answer summarises.
    std::string CNPJEmitente, NomeEmitente, IEEmitente, DataEmissao, TipoNF, ValorNF, DigVal,
        DataRecebimento, CNPJDestinatario;
  };
  struct TLote {
    std::vector<std::string> Protocolos;
    bool Consultado = false;  // a receipt query was answered already
  };
  using TRelogio = std::chrono::steady_clock;

  std::string Status(xmlNode* aRaiz, const std::string& aCUF);
  std::string Recepcao(xmlNode* aRaiz, const std::string& aCUF, const std::string& aCNPJCliente);
  std::string RetRecepcao(xmlNode* aRaiz, const std::string& aCUF);
  std::string Consulta(xmlNode* aRaiz, const std::string& aCUF);
  std::string Cancelamento(xmlNode* aRaiz, const std::string& aCUF);
  std::string Inutilizacao(xmlNode* aRaiz, const std::string& aCUF);
  std::string Cadastro(xmlNode* aRaiz, const std::string& aCUF);
  std::string Evento(xmlDoc* aMensagem, xmlNode* aRaiz, const std::string& aCUF);
  std::string Destinadas(xmlNode* aRaiz);
  std::string Download(xmlNode* aRaiz);

  // The protNFe of one note of a batch: 100, or the rejection it earns.
  std::string ProtocolarNota(xmlNode* aNFe, const std::string& aTpAmb, const std::string& aCUF,
                             const std::string& aCNPJCliente);
  // With ConsumoIndevido: whether a query of aAlvo ("recibo:...", "chave:...")
  // comes too soon after the last one answered; otherwise records it.
  bool ConsultaIndevida(const std::string& aAlvo);
  std::string NovoProtocolo(const std::string& aCUF);
  std::string NovoRecibo(const std::string& aCUF);

  TEsquemas& FEsquemas;
  std::mutex FMutex;
  std::map<std::string, TNota> FNotas;  // by access key
  std::map<std::string, TLote> FLotes;  // by receipt number
  std::uint64_t FSequencia = 0;
  TComportamento FComportamento;
  std::map<std::string, TRelogio::time_point> FUltimaConsulta;  // by ConsultaIndevida's target
};

}  // namespace xnd::sim
