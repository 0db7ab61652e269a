// Batch signing of the NF-e component: templates, the number of notes, the
// contingency fields, the signature of each note and the Id of a CC-e event.
#include "nfe/xndNFe.h"

#include <optional>
#include <string_view>
#include <typeinfo>

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr int MaximoNotasLote = 50;
constexpr std::size_t MinimoJustificativa = 15;
constexpr const char* TemplateAssinatura = "assinar_nota.xml";
constexpr const char* ElementoAssinado = "infNFe";

bool Contem(const std::string& aTexto, const char* aParte) {
  return FindText(aTexto, aParte) != std::string::npos;
}

// Every pair of consecutive blanks deleted, again until none is left: an odd
// run keeps one blank, an even run none.
std::string SemBrancosDuplos(std::string aTexto) {
  while (Contem(aTexto, "  ")) aTexto = StringReplace(aTexto, "  ", "");
  return aTexto;
}

bool VersaoComRegrasContingencia(TVersaoManual aVersao) {
  return aVersao == vm40 || aVersao == vm50 || aVersao == vm50a;
}

bool TipoEmissaoContingencia(const std::string& aTpEmis) {
  return aTpEmis.size() == 1 && aTpEmis[0] >= '2' && aTpEmis[0] <= '7';
}

// The contingency fields that the manual requires for the emission type.
void VerificarCamposContingencia(const std::string& aNota, const std::string& aTpEmis,
                                 const std::string& aDiretorioLogErro) {
  const bool informada = Contem(aNota, "xJust") || Contem(aNota, "dhCon");
  if (aTpEmis == "1") {
    if (informada) {
      throw ExndNFeException(
          "556 - Rejeição: Justificativa de entrada em contingência não deve ser informada para "
          "tipo de "
          "emissão normal",
          aDiretorioLogErro);
    }
  } else if (TipoEmissaoContingencia(aTpEmis)) {
    if (!informada) {
      throw ExndNFeException(
          "557 - Rejeição: A Justificativa de entrada em contingência deve ser informada",
          aDiretorioLogErro);
    }
    if (Utf8Length(ObterValorTag("xJust", aNota)) < MinimoJustificativa) {
      throw ExndNFeException(
          "A justificativa para entrada em contingência deve ter no mínimo 15 dígitos.",
          aDiretorioLogErro);
    }
  } else {
    throw ExndNFeException("Tipo de Emissão %s é válido. Utilize (1,2,3,4 ou 5)", {aTpEmis},
                           aDiretorioLogErro);
  }
}

// The emission type that each contingency environment accepts; logged beside the program.
void VerificarModoOperacao(TModoOperacao aModo, const std::string& aTpEmis) {
  if (aModo == moSVCAN && aTpEmis != "6") {
    throw ExndNFeModoOperacaoException(
        "No Modo Operação SVCAN (SVC-AN), o tipo emissão (tpEmis) deve ser igual a 6.", "");
  }
  if (aModo == moSVCRS && aTpEmis != "7") {
    throw ExndNFeModoOperacaoException(
        "No Modo Operação SVCRS (SVC-RS), o tipo emissão (tpEmis) deve ser igual a 7.", "");
  }
}

// The signed note; any failure of the signature comes out as ExndSignatureException.
std::string AssinarNota(TxndNFe& aNFe, const std::string& aNota) {
  TxndGovX& govX = aNFe.ObterGovX();
  govX->SignatureSettings().SetElementName(ElementoAssinado);
  try {
    const std::string id = ObterIdNFe(aNota);
    return govX->SignXml(aNota, id);
  } catch (const std::exception& e) {
    throw ExndSignatureException(e.what(), aNFe.DiretorioLogErro());
  }
}

// The batch scope of the signing template: opened empty, and on the way out
// (a nested batch included) the state of the caller is back.
class TEscopoLote {
 public:
  TEscopoLote(bool& aAtivo, std::optional<std::string>& aModelo)
      : FAtivo(aAtivo), FModelo(aModelo), FAtivoAntes(aAtivo), FModeloAntes(std::move(aModelo)) {
    FAtivo = true;
    FModelo.reset();
  }
  ~TEscopoLote() {
    FAtivo = FAtivoAntes;
    FModelo = std::move(FModeloAntes);
  }
  TEscopoLote(const TEscopoLote&) = delete;
  TEscopoLote& operator=(const TEscopoLote&) = delete;

 private:
  bool& FAtivo;
  std::optional<std::string>& FModelo;
  bool FAtivoAntes;
  std::optional<std::string> FModeloAntes;
};

}  // namespace

std::string TxndNFe::CarregarTemplate(const std::string& aNome) {
  const std::string caminho = ExpandirCaminho(ObterDiretorioTemplatesUF()) + aNome;
  if (!FileExists(caminho)) {
    throw ExndTemplateNotFoundException("Arquivo de template não encontrado: %s", {caminho},
                                        DiretorioLogErro());
  }
  return ObterGovUtils()->ReadTextFile(caminho);
}

void TxndNFe::MontarEnvelopeAssinatura(std::string& aXml) {
  if (!FAssinandoLote) {
    aXml = Format(CarregarTemplate(TemplateAssinatura), StringReplace(aXml, "º", "o"));
    return;
  }
  if (!FModeloAssinaturaLote) FModeloAssinaturaLote = CarregarTemplate(TemplateAssinatura);
  aXml = Format(*FModeloAssinaturaLote, StringReplace(aXml, "º", "o"));
}

void TxndNFe::AssinarLote(const std::string& aXml, std::string& aXmlAssinado) {
  AtualizarDadosNFe();
  const std::string lote = ObterGovUtils()->RemoveAccents(aXml, CaracteresRemoverAcentos());
  VerificarCertificado();
  aXmlAssinado.clear();
  const int quantidade = VerificarQuantidadeNotas(lote);
  const TEscopoLote escopo(FAssinandoLote, FModeloAssinaturaLote);
  // The default extraction walks the batch once; a redefined one is called per note.
  const bool extracaoPadrao = typeid(XmlUtils()) == typeid(TxndNFeXmlUtils);
  TPercursoNFe percurso(lote, false);
  for (int i = 0; i < quantidade; ++i) {
    std::string nota = extracaoPadrao ? percurso.Proxima() : XmlUtils().ExtrairNFe(i, lote, false);
    if (nota.empty()) continue;
    nota = StringReplace(ObterGovUtils()->PrepareXml(nota), "&amp;quot;", "&quot;");
    MontarEnvelopeAssinatura(nota);
    VerificarContingencia(nota);
    aXmlAssinado += NormalizarAssinatura(AssinarNota(*this, nota));
  }
}

int TxndNFe::VerificarQuantidadeNotas(const std::string& aXml) {
  const int quantidade = TxndNFeXmlUtils::ContarNFe(aXml);
  if (quantidade > MaximoNotasLote) {
    throw ExndNFeMaxSizeException("O Lote não pode possuir mais de 50 notas.", DiretorioLogErro());
  }
  if (quantidade == 0) {
    throw ExndNFeException("Não foi possível encontrar notas fiscais no arquivo",
                           DiretorioLogErro());
  }
  return quantidade;
}

void TxndNFe::VerificarContingencia(const std::string& aXml) {
  const std::string tpEmis = ObterValorTag("tpEmis", aXml);
  if (VersaoComRegrasContingencia(VersaoManual()))
    VerificarCamposContingencia(aXml, tpEmis, DiretorioLogErro());
  VerificarModoOperacao(ModoOperacao(), tpEmis);
}

// Only values whose opening tag is really there are touched, and a value
// that has nothing to clean is left alone: the signed content stays byte
// for byte what the server signed. The text is copied once, and again only
// when it has line breaks to drop.
std::string TxndNFe::NormalizarAssinatura(const std::string& aXml) {
  std::string xml = aXml;
  for (const char* tag : {"KeyInfo", "SignatureValue"}) {
    if (!Contem(xml, ("<" + std::string(tag) + ">").c_str())) continue;
    const std::string valor = ObterValorTag(tag, xml);
    const std::string limpo = SemBrancosDuplos(valor);
    if (limpo != valor) xml = StringReplace(xml, valor, limpo, true, true);
  }
  const std::string_view declaracao = "<?xml version=\"1.0\"?>";
  const std::size_t posicao = FindText(xml, declaracao);
  if (posicao != std::string::npos) xml.erase(posicao, declaracao.size());
  if (Contem(xml, "\r\n")) return StringReplace(xml, "\r\n", "");
  return xml;
}

std::string TxndNFe::GerarIdCCe(const std::string& aChave, int aSequencia) {
  int comoInteiro = 0;
  if (Utf8Length(aChave) != 44 || TryStrToInt(aChave, comoInteiro)) {
    throw ExndNFeGerarIdCCeException("Chave inválida para Gerar ID da CCe.", DiretorioLogErro());
  }
  if (aSequencia <= 0) {
    throw ExndNFeGerarIdCCeException("Sequência Evento inválida para Gerar ID da CCe.",
                                     DiretorioLogErro());
  }
  return Format("ID110110%s%2.2d", aChave, aSequencia);
}

}  // namespace xnd
