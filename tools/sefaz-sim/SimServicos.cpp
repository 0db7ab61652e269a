#include "SimServicos.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace xnd::sim {

namespace {

constexpr const char* NsNFe = "http://www.portalfiscal.inf.br/nfe";
constexpr const char* VerAplic = "XNDSIM-1.0";

std::string E(const char* aNome, const std::string& aTexto) {
  return std::string("<") + aNome + ">" + Escapar(aTexto) + "</" + aNome + ">";
}

std::string Abrir(const char* aNome, const std::string& aVersao) {
  return std::string("<") + aNome + " xmlns=\"" + NsNFe + "\" versao=\"" + Escapar(aVersao) + "\">";
}

std::string Fechar(const char* aNome) { return std::string("</") + aNome + ">"; }

// Brasilia time (UTC-3); the layouts 3.10 and the events carry the offset.
std::string DataHora(bool aComFuso) {
  const std::time_t agora =
      std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) - 3 * 3600;
  std::tm t{};
  gmtime_r(&agora, &t);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%dT%H:%M:%S", &t);
  return std::string(texto) + (aComFuso ? "-03:00" : "");
}

bool Versao3(const std::string& aVersao) { return !aVersao.empty() && aVersao[0] == '3'; }

std::string Ano2() {
  const std::time_t agora = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm t{};
  gmtime_r(&agora, &t);
  char texto[8];
  std::snprintf(texto, sizeof texto, "%02d", t.tm_year % 100);
  return texto;
}

std::string CodigoUF(const std::string& aCUF) { return aCUF.size() == 2 ? aCUF : "91"; }

constexpr const char* MotivoConsumoIndevido = "Rejeicao: Consumo Indevido";

std::string DescricaoEvento(const std::string& aTipo) {
  if (aTipo == "110110") return "Carta de Correcao";
  if (aTipo == "110111") return "Cancelamento";
  return "";
}

}  // namespace

std::string CNPJDoCertificado(const std::string& aNomeComum) {
  const std::size_t doisPontos = aNomeComum.rfind(':');
  if (doisPontos == std::string::npos) return "";
  const std::string cnpj = aNomeComum.substr(doisPontos + 1);
  if (cnpj.size() != 14) return "";
  for (const char c : cnpj)
    if (c < '0' || c > '9') return "";
  return cnpj;
}

const char* RaizEsperada(TServico aServico) {
  switch (aServico) {
    case TServico::Status:
      return "consStatServ";
    case TServico::Cancelamento:
      return "cancNFe";
    case TServico::Consulta:
      return "consSitNFe";
    case TServico::Inutilizacao:
      return "inutNFe";
    case TServico::Recepcao:
      return "enviNFe";
    case TServico::RetRecepcao:
      return "consReciNFe";
    case TServico::Cadastro:
      return "ConsCad";
    case TServico::Evento:
      return "envEvento";
    case TServico::Destinadas:
      return "consNFeDest";
    case TServico::Download:
      return "downloadNFe";
  }
  return "";
}

std::string TServicos::Responder(TServico aServico, xmlDoc* aMensagem, const std::string& aCUF,
                                 const std::string& aCNPJCliente) {
  xmlNode* const raiz = Raiz(aMensagem);
  const std::lock_guard<std::mutex> trava(FMutex);
  switch (aServico) {
    case TServico::Status:
      return Status(raiz, aCUF);
    case TServico::Cancelamento:
      return Cancelamento(raiz, aCUF);
    case TServico::Consulta:
      return Consulta(raiz, aCUF);
    case TServico::Inutilizacao:
      return Inutilizacao(raiz, aCUF);
    case TServico::Recepcao:
      return Recepcao(raiz, aCUF, aCNPJCliente);
    case TServico::RetRecepcao:
      return RetRecepcao(raiz, aCUF);
    case TServico::Cadastro:
      return Cadastro(raiz, aCUF);
    case TServico::Evento:
      return Evento(aMensagem, raiz, aCUF);
    case TServico::Destinadas:
      return Destinadas(raiz);
    case TServico::Download:
      return Download(raiz);
  }
  return "";
}

std::string TServicos::NovoProtocolo(const std::string& aCUF) {
  char seq[16];
  std::snprintf(seq, sizeof seq, "%010llu", static_cast<unsigned long long>(++FSequencia));
  return CodigoUF(aCUF) + "1" + Ano2() + seq;
}

std::string TServicos::NovoRecibo(const std::string& aCUF) {
  char seq[16];
  std::snprintf(seq, sizeof seq, "%012llu", static_cast<unsigned long long>(++FSequencia));
  return CodigoUF(aCUF) + "1" + seq;
}

bool TServicos::ConsultaIndevida(const std::string& aAlvo) {
  if (!FComportamento.ConsumoIndevido) return false;
  const TRelogio::time_point agora = TRelogio::now();
  const auto ultima = FUltimaConsulta.find(aAlvo);
  if (ultima != FUltimaConsulta.end() && agora - ultima->second < FComportamento.IntervaloConsulta)
    return true;
  FUltimaConsulta[aAlvo] = agora;
  return false;
}

std::string TServicos::Status(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  const std::string cUF =
      TextoFilho(aRaiz, "cUF").empty() ? CodigoUF(aCUF) : TextoFilho(aRaiz, "cUF");
  const std::string inicio = Abrir("retConsStatServ", versao) +
                             E("tpAmb", TextoFilho(aRaiz, "tpAmb")) + E("verAplic", VerAplic);
  if (ConsultaIndevida("status:" + cUF))
    return inicio + E("cStat", "656") + E("xMotivo", MotivoConsumoIndevido) + E("cUF", cUF) +
           E("dhRecbto", DataHora(Versao3(versao))) + Fechar("retConsStatServ");
  return inicio + E("cStat", "107") + E("xMotivo", "Servico em Operacao") + E("cUF", cUF) +
         E("dhRecbto", DataHora(Versao3(versao))) + E("tMed", "1") + Fechar("retConsStatServ");
}

std::string TServicos::ProtocolarNota(xmlNode* aNFe, const std::string& aTpAmb,
                                      const std::string& aCUF, const std::string& aCNPJCliente) {
  xmlNode* const infNFe = Filho(aNFe, "infNFe");
  const std::string versao = Atributo(infNFe, "versao");
  std::string chave = Atributo(infNFe, "Id");
  if (chave.rfind("NFe", 0) == 0) chave.erase(0, 3);
  const XmlDocPtr nota = CopiarComoDocumento(aNFe);

  const std::string cnpjEmitente = TextoFilho(Descendente(aNFe, "emit"), "CNPJ");
  std::string cStat = "100";
  std::string xMotivo = "Autorizado o uso da NF-e";
  if (FEsquemas.Validar(nota.get(), "nfe_v" + versao + ".xsd")) {
    cStat = "225";
    xMotivo = "Rejeicao: Falha no Schema XML da NFe";
  } else if (!AssinaturaConfere(nota.get(), "infNFe")) {
    cStat = "297";
    xMotivo = "Rejeicao: Assinatura difere do calculado";
  } else if (FComportamento.VerificarCNPJBase && !aCNPJCliente.empty() &&
             cnpjEmitente.size() == 14 && cnpjEmitente.compare(0, 8, aCNPJCliente, 0, 8) != 0) {
    cStat = "213";
    xMotivo = "Rejeicao: CNPJ-Base do Emitente difere do CNPJ-Base do Certificado Digital";
  } else if (FNotas.count(chave) != 0) {
    cStat = "204";
    xMotivo = "Rejeicao: Duplicidade de NF-e";
  }
  const bool autorizada = cStat == "100";
  const std::string nProt = autorizada ? NovoProtocolo(aCUF) : "";
  std::string inf = autorizada ? "<infProt Id=\"ID" + nProt + "\">" : "<infProt>";
  inf += E("tpAmb", aTpAmb) + E("verAplic", VerAplic) + E("chNFe", chave) +
         E("dhRecbto", DataHora(Versao3(versao)));
  if (autorizada)
    inf +=
        E("nProt", nProt) + E("digVal", TextoFilho(Descendente(aNFe, "Reference"), "DigestValue"));
  inf += E("cStat", cStat) + E("xMotivo", xMotivo) + "</infProt>";
  const std::string protNFe = "<protNFe versao=\"" + Escapar(versao) + "\">" + inf + "</protNFe>";
  if (autorizada) {
    TNota registro;
    registro.ProtNFe = protNFe;
    registro.NProt = nProt;
    registro.Versao = versao;
    registro.NFe = Serializar(nota.get());
    const xmlNode* emitente = Descendente(aNFe, "emit");
    const xmlNode* ide = Descendente(aNFe, "ide");
    registro.CNPJEmitente = cnpjEmitente;
    registro.NomeEmitente = TextoFilho(emitente, "xNome");
    registro.IEEmitente = TextoFilho(emitente, "IE");
    const std::string emissao =
        TextoFilho(ide, "dhEmi").empty() ? TextoFilho(ide, "dEmi") : TextoFilho(ide, "dhEmi");
    registro.DataEmissao = emissao.substr(0, 10);
    registro.TipoNF = TextoFilho(ide, "tpNF");
    registro.ValorNF = TextoFilho(Descendente(aNFe, "ICMSTot"), "vNF");
    registro.DigVal = TextoFilho(Descendente(aNFe, "Reference"), "DigestValue");
    registro.DataRecebimento = DataHora(true);
    registro.CNPJDestinatario = TextoFilho(Descendente(aNFe, "dest"), "CNPJ");
    FNotas[chave] = std::move(registro);
  }
  return protNFe;
}

std::string TServicos::Recepcao(xmlNode* aRaiz, const std::string& aCUF,
                                const std::string& aCNPJCliente) {
  const std::string versao = Atributo(aRaiz, "versao");
  const std::string cUF = CodigoUF(aCUF);
  std::string tpAmb = "2";
  std::vector<xmlNode*> notas;
  for (xmlNode* n = aRaiz->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && Nome(n) == "NFe") notas.push_back(n);
  }
  std::string inicio = Abrir("retEnviNFe", versao);
  if (!notas.empty()) tpAmb = TextoFilho(Descendente(notas.front(), "ide"), "tpAmb");
  if (tpAmb.empty()) tpAmb = "2";
  inicio += E("tpAmb", tpAmb) + E("verAplic", VerAplic);
  if (notas.empty() || Filho(aRaiz, "idLote") == nullptr) {
    return inicio + E("cStat", "215") + E("xMotivo", "Rejeicao: Falha no schema XML") +
           E("cUF", cUF) + (versao == "1.10" ? "" : E("dhRecbto", DataHora(Versao3(versao)))) +
           Fechar("retEnviNFe");
  }
  TLote lote;
  for (xmlNode* nota : notas)
    lote.Protocolos.push_back(ProtocolarNota(nota, tpAmb, cUF, aCNPJCliente));
  if (TextoFilho(aRaiz, "indSinc") == "1" && notas.size() == 1) {
    return inicio + E("cStat", "104") + E("xMotivo", "Lote processado") + E("cUF", cUF) +
           E("dhRecbto", DataHora(Versao3(versao))) + lote.Protocolos.front() +
           Fechar("retEnviNFe");
  }
  const std::string nRec = NovoRecibo(cUF);
  FLotes[nRec] = std::move(lote);
  std::string corpo = E("cStat", "103") + E("xMotivo", "Lote recebido com sucesso") + E("cUF", cUF);
  if (versao == "1.10")
    return inicio + corpo + "<infRec>" + E("nRec", nRec) + E("dhRecbto", DataHora(false)) +
           E("tMed", "1") + "</infRec>" + Fechar("retEnviNFe");
  return inicio + corpo + E("dhRecbto", DataHora(Versao3(versao))) + "<infRec>" + E("nRec", nRec) +
         E("tMed", "1") + "</infRec>" + Fechar("retEnviNFe");
}

std::string TServicos::RetRecepcao(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  const std::string nRec = TextoFilho(aRaiz, "nRec");
  const auto lote = FLotes.find(nRec);
  std::string resposta = Abrir("retConsReciNFe", versao) + E("tpAmb", TextoFilho(aRaiz, "tpAmb")) +
                         E("verAplic", VerAplic) + E("nRec", nRec);
  if (lote == FLotes.end()) {
    resposta += E("cStat", "106") + E("xMotivo", "Rejeicao: Lote nao localizado") +
                E("cUF", CodigoUF(aCUF));
    if (Versao3(versao)) resposta += E("dhRecbto", DataHora(true));
    return resposta + Fechar("retConsReciNFe");
  }
  const std::string cUF = CodigoUF(aCUF.empty() ? nRec.substr(0, 2) : aCUF);
  const auto semProtocolos = [&](const char* aCStat, const char* aMotivo) {
    resposta += E("cStat", aCStat) + E("xMotivo", aMotivo) + E("cUF", cUF);
    if (Versao3(versao)) resposta += E("dhRecbto", DataHora(true));
    return resposta + Fechar("retConsReciNFe");
  };
  if (ConsultaIndevida("recibo:" + nRec)) return semProtocolos("656", MotivoConsumoIndevido);
  if (FComportamento.Lento && !lote->second.Consultado) {
    lote->second.Consultado = true;
    return semProtocolos("105", "Lote em processamento");
  }
  lote->second.Consultado = true;
  resposta += E("cStat", "104") + E("xMotivo", "Lote processado") + E("cUF", cUF);
  if (Versao3(versao)) resposta += E("dhRecbto", DataHora(true));
  for (const std::string& prot : lote->second.Protocolos) resposta += prot;
  return resposta + Fechar("retConsReciNFe");
}

std::string TServicos::Consulta(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  const std::string chave = TextoFilho(aRaiz, "chNFe");
  const std::string cUF = chave.size() >= 2 ? chave.substr(0, 2) : CodigoUF(aCUF);
  const bool indevida = ConsultaIndevida("chave:" + chave);
  // A refused query shows nothing of the note.
  const auto nota = indevida ? FNotas.end() : FNotas.find(chave);
  std::string cStat = "217";
  std::string xMotivo = "Rejeicao: NF-e nao consta na base de dados da SEFAZ";
  if (indevida) {
    cStat = "656";
    xMotivo = MotivoConsumoIndevido;
  } else if (nota != FNotas.end()) {
    cStat = nota->second.Cancelada ? "101" : "100";
    xMotivo =
        nota->second.Cancelada ? "Cancelamento de NF-e homologado" : "Autorizado o uso da NF-e";
  }
  const std::string tpAmb = TextoFilho(aRaiz, "tpAmb");
  if (versao == "1.07") {
    std::string inf = "<infProt>" + E("tpAmb", tpAmb) + E("verAplic", VerAplic) +
                      E("cStat", cStat) + E("xMotivo", xMotivo) + E("cUF", cUF) + E("chNFe", chave);
    if (nota != FNotas.end())
      inf += E("dhRecbto", DataHora(false)) + E("nProt", nota->second.NProt);
    return Abrir("retConsSitNFe", versao) + inf + "</infProt>" + Fechar("retConsSitNFe");
  }
  std::string resposta = Abrir("retConsSitNFe", versao) + E("tpAmb", tpAmb) +
                         E("verAplic", VerAplic) + E("cStat", cStat) + E("xMotivo", xMotivo) +
                         E("cUF", cUF);
  if (Versao3(versao)) resposta += E("dhRecbto", DataHora(true));
  resposta += E("chNFe", chave);
  if (nota != FNotas.end()) resposta += nota->second.ProtNFe;
  return resposta + Fechar("retConsSitNFe");
}

std::string TServicos::Cancelamento(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  xmlNode* const inf = Filho(aRaiz, "infCanc");
  const std::string chave = TextoFilho(inf, "chNFe");
  const std::string cUF = chave.size() >= 2 ? chave.substr(0, 2) : CodigoUF(aCUF);
  const auto nota = FNotas.find(chave);
  std::string cStat = "101";
  std::string xMotivo = "Cancelamento de NF-e homologado";
  const XmlDocPtr pedido = CopiarComoDocumento(aRaiz);
  if (!AssinaturaConfere(pedido.get(), "infCanc")) {
    cStat = "297";
    xMotivo = "Rejeicao: Assinatura difere do calculado";
  } else if (nota == FNotas.end()) {
    cStat = "217";
    xMotivo = "Rejeicao: NF-e nao consta na base de dados da SEFAZ";
  } else if (nota->second.NProt != TextoFilho(inf, "nProt")) {
    cStat = "222";
    xMotivo = "Rejeicao: Protocolo de Autorizacao de Uso difere do cadastrado";
  }
  const bool homologado = cStat == "101";
  const std::string nProt = homologado ? NovoProtocolo(cUF) : "";
  if (homologado) nota->second.Cancelada = true;
  std::string resposta = Abrir("retCancNFe", versao) +
                         (homologado ? "<infCanc Id=\"ID" + nProt + "\">" : "<infCanc>") +
                         E("tpAmb", TextoFilho(inf, "tpAmb")) + E("verAplic", VerAplic) +
                         E("cStat", cStat) + E("xMotivo", xMotivo) + E("cUF", cUF) +
                         E("chNFe", chave);
  if (homologado) resposta += E("dhRecbto", DataHora(false)) + E("nProt", nProt);
  return resposta + "</infCanc>" + Fechar("retCancNFe");
}

std::string TServicos::Inutilizacao(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  xmlNode* const inf = Filho(aRaiz, "infInut");
  const std::string cUF = TextoFilho(inf, "cUF").empty() ? CodigoUF(aCUF) : TextoFilho(inf, "cUF");
  const XmlDocPtr pedido = CopiarComoDocumento(aRaiz);
  const bool assinado = AssinaturaConfere(pedido.get(), "infInut");
  const std::string nProt = assinado ? NovoProtocolo(cUF) : "";
  std::string resposta = Abrir("retInutNFe", versao) +
                         (assinado ? "<infInut Id=\"ID" + nProt + "\">" : "<infInut>") +
                         E("tpAmb", TextoFilho(inf, "tpAmb")) + E("verAplic", VerAplic);
  if (!assinado) {
    return resposta + E("cStat", "297") + E("xMotivo", "Rejeicao: Assinatura difere do calculado") +
           E("cUF", cUF) + "</infInut>" + Fechar("retInutNFe");
  }
  resposta += E("cStat", "102") + E("xMotivo", "Inutilizacao de numero homologado") + E("cUF", cUF);
  for (const char* campo : {"ano", "CNPJ", "mod", "serie", "nNFIni", "nNFFin"}) {
    resposta += E(campo, TextoFilho(inf, campo));
  }
  return resposta + E("dhRecbto", DataHora(Versao3(versao))) + E("nProt", nProt) + "</infInut>" +
         Fechar("retInutNFe");
}

std::string TServicos::Cadastro(xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  xmlNode* const inf = Filho(aRaiz, "infCons");
  const std::string uf = TextoFilho(inf, "UF");
  std::string documento;
  for (const char* campo : {"IE", "CNPJ", "CPF"}) {
    if (Filho(inf, campo) != nullptr) documento = E(campo, TextoFilho(inf, campo));
  }
  const std::string cnpj = TextoFilho(inf, "CNPJ");
  std::string resposta = Abrir("retConsCad", versao) + "<infCons>" + E("verAplic", VerAplic) +
                         E("cStat", "111") + E("xMotivo", "Consulta cadastro com uma ocorrencia") +
                         E("UF", uf) + documento + E("dhCons", DataHora(true)) +
                         E("cUF", CodigoUF(aCUF)) + "<infCad>" + E("IE", "123456789012") +
                         (cnpj.empty() ? E("CPF", TextoFilho(inf, "CPF")) : E("CNPJ", cnpj)) +
                         E("UF", uf) + E("cSit", "1");
  if (versao != "1.01") resposta += E("indCredNFe", "1") + E("indCredCTe", "4");
  resposta += E("xNome", "CONTRIBUINTE SIMULADO") + "</infCad></infCons>" + Fechar("retConsCad");
  return resposta;
}

std::string TServicos::Evento(xmlDoc* aMensagem, xmlNode* aRaiz, const std::string& aCUF) {
  const std::string versao = Atributo(aRaiz, "versao");
  std::vector<xmlNode*> eventos;
  for (xmlNode* n = aRaiz->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && Nome(n) == "evento") eventos.push_back(n);
  }
  const std::string tpAmb =
      eventos.empty() ? "2" : TextoFilho(Filho(eventos.front(), "infEvento"), "tpAmb");
  const std::string cOrgao =
      eventos.empty() ? CodigoUF(aCUF) : TextoFilho(Filho(eventos.front(), "infEvento"), "cOrgao");
  std::string resposta = Abrir("retEnvEvento", versao) + E("idLote", TextoFilho(aRaiz, "idLote")) +
                         E("tpAmb", tpAmb) + E("verAplic", VerAplic) + E("cOrgao", cOrgao);
  if (eventos.empty() || FEsquemas.Validar(aMensagem, "envEvento_v" + versao + ".xsd")) {
    return resposta + E("cStat", "215") + E("xMotivo", "Rejeicao: Falha no schema XML") +
           Fechar("retEnvEvento");
  }
  resposta += E("cStat", "128") + E("xMotivo", "Lote de Evento Processado");
  for (xmlNode* evento : eventos) {
    xmlNode* const inf = Filho(evento, "infEvento");
    const XmlDocPtr doc = CopiarComoDocumento(evento);
    const bool valido = AssinaturaConfere(doc.get(), "infEvento");
    const std::string chave = TextoFilho(inf, "chNFe");
    const std::string tipo = TextoFilho(inf, "tpEvento");
    const std::string nProt = valido ? NovoProtocolo(TextoFilho(inf, "cOrgao")) : "";
    std::string ret = "<retEvento versao=\"" + Escapar(Atributo(evento, "versao")) + "\">" +
                      (valido ? "<infEvento Id=\"ID" + nProt + "\">" : "<infEvento>") +
                      E("tpAmb", TextoFilho(inf, "tpAmb")) + E("verAplic", VerAplic) +
                      E("cOrgao", TextoFilho(inf, "cOrgao")) + E("cStat", valido ? "135" : "297") +
                      E("xMotivo", valido ? "Evento registrado e vinculado a NF-e"
                                          : "Rejeicao: Assinatura difere do calculado") +
                      E("chNFe", chave) + E("tpEvento", tipo);
    if (!DescricaoEvento(tipo).empty()) ret += E("xEvento", DescricaoEvento(tipo));
    ret += E("nSeqEvento", TextoFilho(inf, "nSeqEvento")) + E("dhRegEvento", DataHora(true));
    if (valido) ret += E("nProt", nProt);
    resposta += ret + "</infEvento></retEvento>";
    const auto nota = FNotas.find(chave);
    if (valido && tipo == "110111" && nota != FNotas.end()) nota->second.Cancelada = true;
  }
  return resposta + Fechar("retEnvEvento");
}

// 138 with one resNFe per authorised note addressed to the CNPJ (NSU in
// key order), 137 when there is none.
std::string TServicos::Destinadas(xmlNode* aRaiz) {
  const std::string cnpj = TextoFilho(aRaiz, "CNPJ");
  std::string documentos;
  int nsu = 0;
  for (const auto& [chave, nota] : FNotas) {
    if (cnpj.empty() || nota.CNPJDestinatario != cnpj) continue;
    documentos += "<ret><resNFe NSU=\"" + std::to_string(++nsu) + "\">" + E("chNFe", chave) +
                  E("CNPJ", nota.CNPJEmitente) + E("xNome", nota.NomeEmitente) +
                  E("IE", nota.IEEmitente) + E("dEmi", nota.DataEmissao) + E("tpNF", nota.TipoNF) +
                  E("vNF", nota.ValorNF) + E("digVal", nota.DigVal) +
                  E("dhRecbto", nota.DataRecebimento) + E("cSitNFe", nota.Cancelada ? "3" : "1") +
                  E("cSitConf", "0") + "</resNFe></ret>";
  }
  std::string resposta = Abrir("retConsNFeDest", Atributo(aRaiz, "versao")) +
                         E("tpAmb", TextoFilho(aRaiz, "tpAmb")) + E("verAplic", VerAplic);
  if (nsu == 0) {
    return resposta + E("cStat", "137") +
           E("xMotivo", "Nenhum documento localizado para o Destinatario") +
           E("dhResp", DataHora(true)) + E("indCont", "0") + Fechar("retConsNFeDest");
  }
  return resposta + E("cStat", "138") + E("xMotivo", "Documento localizado para o Destinatario") +
         E("dhResp", DataHora(true)) + E("indCont", "0") + E("ultNSU", std::to_string(nsu)) +
         documentos + Fechar("retConsNFeDest");
}

// 139 with one retNFe per chNFe: 140 with the nfeProc (gzip + base64) of a
// note it authorised for that recipient, 217 otherwise.
std::string TServicos::Download(xmlNode* aRaiz) {
  const std::string cnpj = TextoFilho(aRaiz, "CNPJ");
  std::string resposta = Abrir("retDownloadNFe", Atributo(aRaiz, "versao")) +
                         E("tpAmb", TextoFilho(aRaiz, "tpAmb")) + E("verAplic", VerAplic) +
                         E("cStat", "139") + E("xMotivo", "Pedido de Download processado") +
                         E("dhResp", DataHora(true));
  for (const xmlNode* n = aRaiz->children; n != nullptr; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || Nome(n) != "chNFe") continue;
    const std::string chave = Texto(n);
    const auto nota = FNotas.find(chave);
    resposta += "<retNFe>" + E("chNFe", chave);
    if (nota == FNotas.end() || nota->second.CNPJDestinatario != cnpj) {
      resposta += E("cStat", "217") +
                  E("xMotivo", "Rejeicao: NF-e nao consta na base de dados da SEFAZ") + "</retNFe>";
      continue;
    }
    const std::string proc = std::string("<nfeProc xmlns=\"") + NsNFe + "\" versao=\"" +
                             Escapar(nota->second.Versao) + "\">" + nota->second.NFe +
                             nota->second.ProtNFe + "</nfeProc>";
    resposta += E("cStat", "140") + E("xMotivo", "Download disponibilizado") +
                E("procNFeZip", CodificarBase64(Compactar(proc))) + "</retNFe>";
  }
  return resposta + Fechar("retDownloadNFe");
}

}  // namespace xnd::sim
