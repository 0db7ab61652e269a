#include "danfe/xndNFeDanfeDados.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr int TamanhoCampo = 255;

struct TDefinicaoDataSet {
  const char* Nome;
  std::initializer_list<const char*> Campos;
};

// clang-format off
const TDefinicaoDataSet DefDados{
    "Dados",
    {"CodBarra", "CodBarraDadosNFe", "NatOper", "Serie", "DtEmissao", "DtSaida", "nNF", "nTpNF", "tpEmis",
     "EmitNome", "EmitCNPJ", "EmitIE", "EmitIEST", "EmitLogradouro", "EmitEnd", "EmitNumero", "EmitBairro",
     "EmitMun", "EmitUF", "EmitCep", "EmitIM", "EmitFone", "EmitPais", "EmitFantasia", "EmitCRT",
     "LogotipoEmitente", "DestNome", "DestCNPJ", "DestIE", "DestLogradouro", "DestEnd", "DestNumero",
     "DestBairro", "DestMun", "DestUF", "DestCep", "DestFoneFax", "DestPais", "DestEmail", "BaseCalcIcms",
     "ValorIcms", "BaseCalcIcmsSubs", "ValorIcmsSubs", "ValorTotProd", "ValorFrete", "ValorSeguro", "Desconto",
     "OutrasDesp", "ValorIPI", "ValorII", "ValorTotNota", "BaseCalcISSQN", "ValorTotServ", "ValorTotISSQN",
     "ValorTotCOFINS", "ValorTotPIS", "ValorTotTrib", "TraModFrete", "TraCNPJ", "TraNome", "TraIE", "TraEnd",
     "TraMun", "TraUF", "TraDescMod", "VeiCodigoANTT", "VeiPlaca", "VeiUF", "VolQuantidade", "VolEspecie",
     "VolMarca", "VolNumeracao", "VolPesoBruto", "VolPesoLiquido", "ContinuaObsContribuinte",
     "ObsContribuinte", "ContCampo", "IdentCampo", "nProt", "dhRecbto", "FraseHomologacao",
     "FraseContingencia", "DestComplemento", "EmitComplemento", "EntCNPJ", "EntEnd", "EntNumero",
     "EntComplemento", "EntBairro", "EntMun", "EntUF", "JustContingencia", "dhContingencia", "hSaida",
     "indPag"}};

const TDefinicaoDataSet DefItens{
    "DadosItens",
    {"nNF", "QtdeItem", "Item", "ItemCodigo", "ItemEAN", "ItemNCM", "ItemDescricao", "ItemCST", "ItemORIG",
     "ItemCFOP", "ItemUnidade", "ItemQuantidade", "ItemVUnit", "ItemUnidadeTributada", "ItemQuantidadeTributada",
     "ItemVUnitTributado", "ItemVTotal", "ItemBCalcIcms", "ItemVIcms", "ItemVIPI", "ItemAliqIcms", "ItemAliqIPI",
     "ItemObs", "ItemNLote", "ItemQLote", "ItemDFab", "ItemDVal", "ItemVPMC", "ItemClEnq", "ItemCNPJProd",
     "ItemCSelo", "ItemQCelo", "ItemCEnq", "ItemVPIS", "ItemBCalcPIS", "ItemAliqPIS", "ItemCSTPIS",
     "ItemQBCProdPIS", "ItemVAliqProdPIS", "ItemVCOFINS", "ItemBCalcCOFINS", "ItemAliqCOFINS", "ItemCSTCOFINS",
     "ItemQBCProdCOFINS", "ItemVAliqProdCOFINS", "ItemBCalcIcmsST", "ItemAliqIcmsST", "ItemVIcmsST", "ItemVDesc",
     "ItemVSeg", "ItemVFrete", "ItemVOutro", "ItemVTotTrib", "ItemPedido", "ItemIIVBC", "ItemIIvIOF",
     "ItemIIvDespAdu", "ItemIIvII", "ItemEX_TIPI"}};

const TDefinicaoDataSet DefVolume{
    "vol", {"nNF", "VolQuantidade", "VolEspecie", "VolMarca", "VolNumeracao", "VolPesoBruto", "VolPesoLiquido"}};
const TDefinicaoDataSet DefCobranca{"DadosCobranca", {"nNF", "NumDuplicata", "DtVencimento", "ValorDuplicata"}};
const TDefinicaoDataSet DefMed{"DadosLotesMedicamento", {"nNF", "Item", "nLote", "qLote", "dFab", "dVal", "vPMC"}};
const TDefinicaoDataSet DefVeic{
    "DadosVeiculosNovos",
    {"nNF", "Item", "tpOp", "chassi", "cCor", "xCor", "pot", "CM3", "pesoL", "pesoB", "nSerie", "tpComb", "nMotor", "CMT",
     "CMKG", "dist", "RENAVAM", "anoMod", "anoFab", "tpPint", "tpVeic", "espVeic", "VIN", "condVeic", "cMod",
     "cilin"}};
const TDefinicaoDataSet DefRefNFe{"DadosNFeReferenciada", {"nNF", "ChaveNFeRef"}};
const TDefinicaoDataSet DefRefNF1A{"DadosNF1AReferenciada",
                                   {"nNF", "UFNF1ARef", "AnoMesNF1ARef", "ModeloNF1ARef", "SerieNF1ARef",
                                    "NumeroNF1ARef", "CNPJNF1ARef"}};
const TDefinicaoDataSet DefRefProdutor{
    "DadosNFProdutorRuralReferenciada",
    {"nNF", "UFNFProdutorRef", "AnoMesNFProdutorRef", "ModeloNFProdutorRef", "SerieNFProdutorRef",
     "NumeroNFProdutorRef", "IENFProdutorRef", "CNPJNFProdutorRef"}};
const TDefinicaoDataSet DefRefCupom{
    "DadosCupomFiscalReferenciado",
    {"nNF", "NumeroECFCupomFiscalRef", "NumeroCOOCupomFiscalRef", "ModeloCupomFiscalRef"}};
const TDefinicaoDataSet DefRefCTe{"DadosCTeReferenciado", {"nNF", "ChaveCTeRef"}};
// clang-format on

// Memo fields and their declared sizes. "FraseContingencia" and
// "JustContingencia" carry xJust (up to 256 characters in the schemas) and
// are memos so that a valid justification always fits.
int TamanhoMemo(const std::string& aCampo) {
  if (aCampo == "ContinuaObsContribuinte" || aCampo == "ObsContribuinte") return 8000;
  if (aCampo == "ItemObs") return 500;
  if (aCampo == "FraseContingencia" || aCampo == "JustContingencia") return TamanhoCampo;
  return 0;
}

std::unique_ptr<TClientDataSet> CriarDataSet(const TDefinicaoDataSet& aDef) {
  auto dataSet = std::make_unique<TClientDataSet>();
  dataSet->SetName(aDef.Nome);
  for (const char* campo : aDef.Campos) {
    const int memo = TamanhoMemo(campo);
    if (memo > 0) {
      auto field = std::make_unique<TMemoField>();
      field->SetFieldName(campo);
      field->SetSize(memo);
      dataSet->AddField(std::move(field));
    } else {
      dataSet->AddStringField(campo, TamanhoCampo);
    }
  }
  dataSet->CreateDataSet();
  return dataSet;
}

void Ligar(TClientDataSet& aDetalhe, TDataSource* aMestre, const std::string& aCampo) {
  aDetalhe.SetMasterSource(aMestre);
  aDetalhe.SetMasterFields(aCampo);
  aDetalhe.SetIndexFieldNames(aCampo);
}

bool Contem(const std::string& aTexto, std::string_view aParte) {
  return FindText(aTexto, aParte) != std::string::npos;
}

// Every "<aTag>...</aTag>" stretch of aXml, in order (plain search, no attributes).
std::vector<std::string> Trechos(const std::string& aTag, std::string_view aXml) {
  const std::string abre = "<" + aTag + ">";
  const std::string fecha = "</" + aTag + ">";
  std::vector<std::string> trechos;
  std::size_t pos = FindText(aXml, abre);
  while (pos != std::string::npos) {
    const std::size_t fim = FindText(aXml, fecha, pos + abre.size());
    if (fim == std::string::npos) break;
    trechos.emplace_back(aXml.substr(pos, fim + fecha.size() - pos));
    pos = FindText(aXml, abre, fim + fecha.size());
  }
  return trechos;
}

// The first element aTag of aXml whose start tag may carry attributes, from
// "<aTag" up to and including "</aTag>"; "" when absent.
std::string ElementoComAtributos(const std::string& aTag, const std::string& aXml) {
  const std::string abre = "<" + aTag;
  std::size_t pos = FindText(aXml, abre);
  while (pos != std::string::npos) {
    const char proximo = pos + abre.size() < aXml.size() ? aXml[pos + abre.size()] : '\0';
    if (proximo == '>' || proximo == ' ' || proximo == '\t' || proximo == '\r' || proximo == '\n')
      break;
    pos = FindText(aXml, abre, pos + abre.size());
  }
  if (pos == std::string::npos) return {};
  const std::string fecha = "</" + aTag + ">";
  const std::size_t fim = FindText(aXml, fecha, pos);
  if (fim == std::string::npos) return {};
  return aXml.substr(pos, fim + fecha.size() - pos);
}

// A decimal number of the XML ("1234.50", "-3", "12."); false for anything else.
bool LerNumeroXml(const std::string& aTexto, long double& aValor) {
  const std::string texto = Trim(aTexto);
  if (texto.empty()) return false;
  std::size_t i = 0;
  if (texto[0] == '-' || texto[0] == '+') i = 1;
  bool digito = false;
  bool ponto = false;
  for (std::size_t j = i; j < texto.size(); ++j) {
    if (texto[j] >= '0' && texto[j] <= '9') {
      digito = true;
    } else if (texto[j] == '.' && !ponto) {
      ponto = true;
    } else {
      return false;
    }
  }
  if (!digito) return false;
  aValor = std::strtold(texto.c_str(), nullptr);
  return true;
}

// A sum as the XML writes numbers: "." and aCasas decimals (-1: shortest form).
std::string NumeroXml(long double aValor, int aCasas) {
  char buffer[64];
  if (aCasas >= 0) {
    std::snprintf(buffer, sizeof buffer, "%.*Lf", aCasas, aValor);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.6Lf", aValor);
  std::string texto = buffer;
  while (!texto.empty() && texto.back() == '0') texto.pop_back();
  if (!texto.empty() && texto.back() == '.') texto.pop_back();
  return texto;
}

bool EhNumeroDecimal(const std::string& aTexto) {
  long double ignorado = 0;
  return LerNumeroXml(aTexto, ignorado) && aTexto == Trim(aTexto);
}

// "YYYY-MM-DD" -> "DD/MM/YYYY" from characters 9-10, 6-7 and 1-4; "" stays "".
std::string DataVencimento(const std::string& aData) {
  if (aData.empty()) return {};
  return Utf8Copy(aData, 9, 2) + "/" + Utf8Copy(aData, 6, 2) + "/" + Utf8Copy(aData, 1, 4);
}

}  // namespace

// ---- Helpers -----------------------------------------------------------------

std::string FormatarNumeroBR(const std::string& aTexto) {
  if (aTexto.empty()) return {};
  const std::size_t ponto = aTexto.find('.');
  if (ponto == std::string::npos) return aTexto;
  const std::string inteira = aTexto.substr(0, ponto);
  const std::string fracao = aTexto.substr(ponto + 1);
  std::size_t inicio = 0;
  if (!inteira.empty() && (inteira[0] == '-' || inteira[0] == '+')) inicio = 1;
  const std::string digitos = inteira.substr(inicio);
  if (digitos.find_first_not_of("0123456789") != std::string::npos) return inteira + "," + fracao;
  std::string agrupada;
  for (std::size_t i = 0; i < digitos.size(); ++i) {
    if (i > 0 && (digitos.size() - i) % 3 == 0) agrupada += '.';
    agrupada += digitos[i];
  }
  return inteira.substr(0, inicio) + agrupada + "," + fracao;
}

void DividirInfCpl(const std::string& aTexto, int aColunas, int aLinhas, std::string& aCaixa,
                   std::string& aContinuacao) {
  aCaixa.clear();
  aContinuacao.clear();
  std::vector<std::string> linhas;
  for (const std::string_view linha : SplitLines(aTexto)) linhas.emplace_back(linha);
  std::vector<std::string> caixa;
  std::size_t atual = 0;
  std::string primeira;  // the first remaining line (the rest of a cut one)
  bool temPrimeira = false;
  while (temPrimeira || atual < linhas.size()) {
    if (!temPrimeira) {
      primeira = linhas[atual++];
      temPrimeira = true;
    }
    if (static_cast<int>(caixa.size()) >= aLinhas) {
      aContinuacao = primeira;
      for (; atual < linhas.size(); ++atual) aContinuacao += "\r\n" + linhas[atual];
      break;
    }
    if (aColunas < 1 || Utf8Length(primeira) <= static_cast<std::size_t>(aColunas)) {
      caixa.push_back(primeira);
      temPrimeira = false;
    } else {
      caixa.push_back(Utf8Copy(primeira, 1, aColunas));
      primeira =
          Utf8Copy(primeira, aColunas + 1, static_cast<std::ptrdiff_t>(Utf8Length(primeira)));
    }
  }
  if (!aContinuacao.empty())
    aContinuacao = "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n" + aContinuacao;
  for (const std::string& linha : caixa) aCaixa += linha + "\r\n";
}

std::string ConteudoTag(std::string_view aTag, std::string_view aXml) {
  std::string abre;
  abre.reserve(aTag.size() + 3);
  abre.append("<").append(aTag).append(">");
  const std::size_t inicio = FindText(aXml, abre);
  if (inicio == std::string::npos) return {};
  std::string fecha = abre;
  fecha.insert(1, "/");
  const std::size_t fim = FindText(aXml, fecha, inicio + abre.size());
  if (fim == std::string::npos) return {};
  return std::string(aXml.substr(inicio + abre.size(), fim - inicio - abre.size()));
}

std::string TextoXml(const std::string& aEscapado) {
  if (aEscapado.find('&') == std::string::npos) return aEscapado;
  std::string texto;
  texto.reserve(aEscapado.size());
  for (std::size_t i = 0; i < aEscapado.size();) {
    if (aEscapado[i] != '&') {
      texto += aEscapado[i++];
      continue;
    }
    const std::size_t fim = aEscapado.find(';', i);
    if (fim == std::string::npos || fim - i > 12) {
      texto += aEscapado[i++];
      continue;
    }
    const std::string nome = aEscapado.substr(i + 1, fim - i - 1);
    std::string valor;
    if (nome == "amp")
      valor = "&";
    else if (nome == "lt")
      valor = "<";
    else if (nome == "gt")
      valor = ">";
    else if (nome == "quot")
      valor = "\"";
    else if (nome == "apos")
      valor = "'";
    else if (nome.size() > 1 && nome[0] == '#') {
      const bool hexa = nome[1] == 'x' || nome[1] == 'X';
      const std::string digitos = nome.substr(hexa ? 2 : 1);
      char* parada = nullptr;
      const unsigned long codigo =
          digitos.empty() ? 0 : std::strtoul(digitos.c_str(), &parada, hexa ? 16 : 10);
      if (!digitos.empty() && parada != nullptr && *parada == '\0' && codigo > 0 &&
          codigo <= 0x10FFFF && !(codigo >= 0xD800 && codigo <= 0xDFFF)) {
        AppendUtf8(valor, static_cast<char32_t>(codigo));
      }
    }
    if (valor.empty()) {
      texto += aEscapado[i++];
      continue;
    }
    texto += valor;
    i = fim + 1;
  }
  return texto;
}

// ---- TxndNFeDanfeDados ---------------------------------------------------------------

TxndNFeDanfeDados::TxndNFeDanfeDados() {
  CarregarTabelaUF(FTabelaUF);
  // The recipient abroad takes the place of the national environment.
  const int an = FTabelaUF.IndexOfName("AN");
  if (an >= 0) FTabelaUF.Delete(an);
  FTabelaUF.Add("EX=99");
  CriarDataSets();
}

TxndNFeDanfeDados::~TxndNFeDanfeDados() = default;

void TxndNFeDanfeDados::CriarDataSets() {
  FDados = CriarDataSet(DefDados);
  FItens = CriarDataSet(DefItens);
  FVolume = CriarDataSet(DefVolume);
  FRefNFe = CriarDataSet(DefRefNFe);
  FRefNF1A = CriarDataSet(DefRefNF1A);
  FRefProdutor = CriarDataSet(DefRefProdutor);
  FRefCupomFiscal = CriarDataSet(DefRefCupom);
  FRefCTe = CriarDataSet(DefRefCTe);
  FCobranca = CriarDataSet(DefCobranca);
  FMed = CriarDataSet(DefMed);
  FVeic = CriarDataSet(DefVeic);

  FDataSource = std::make_unique<TDataSource>(nullptr, FDados.get());
  FDataSourceItens = std::make_unique<TDataSource>(nullptr, FItens.get());
  FDataSourceVolume = std::make_unique<TDataSource>(nullptr, FVolume.get());
  FDataSourceRefNFe = std::make_unique<TDataSource>(nullptr, FRefNFe.get());
  FDataSourceRefNF1A = std::make_unique<TDataSource>(nullptr, FRefNF1A.get());
  FDataSourceRefProdutor = std::make_unique<TDataSource>(nullptr, FRefProdutor.get());
  FDataSourceRefCupomFiscal = std::make_unique<TDataSource>(nullptr, FRefCupomFiscal.get());
  FDataSourceRefCTe = std::make_unique<TDataSource>(nullptr, FRefCTe.get());
  FDataSourceCobranca = std::make_unique<TDataSource>(nullptr, FCobranca.get());
  FDataSourceMed = std::make_unique<TDataSource>(nullptr, FMed.get());
  FDataSourceVeic = std::make_unique<TDataSource>(nullptr, FVeic.get());

  Ligar(*FVolume, FDataSource.get(), "nNF");
  Ligar(*FRefNFe, FDataSource.get(), "nNF");
  Ligar(*FRefNF1A, FDataSource.get(), "nNF");
  Ligar(*FRefProdutor, FDataSource.get(), "nNF");
  Ligar(*FRefCupomFiscal, FDataSource.get(), "nNF");
  Ligar(*FRefCTe, FDataSource.get(), "nNF");
  Ligar(*FItens, FDataSource.get(), "nNF");
  Ligar(*FCobranca, FDataSource.get(), "nNF");
  // An item is its note's number and its own: item 1 of every note of the
  // document shares "Item".
  Ligar(*FMed, FDataSourceItens.get(), "nNF;Item");
  Ligar(*FVeic, FDataSourceItens.get(), "nNF;Item");
}

std::vector<TClientDataSet*> TxndNFeDanfeDados::DataSets() const {
  return {FDados.get(),   FVolume.get(),      FRefNFe.get(),
          FRefNF1A.get(), FRefProdutor.get(), FRefCupomFiscal.get(),
          FRefCTe.get(),  FItens.get(),       FCobranca.get(),
          FMed.get(),     FVeic.get()};
}

TxndGovUtils& TxndNFeDanfeDados::GovUtils() {
  if (!FGovUtils) FGovUtils = std::make_unique<TxndGovUtils>();
  return *FGovUtils;
}

void TxndNFeDanfeDados::LimparDados() {
  // Details first, so that no master move refreshes a table about to be emptied.
  const std::vector<TClientDataSet*> tabelas = DataSets();
  for (auto it = tabelas.rbegin(); it != tabelas.rend(); ++it) {
    if (!(*it)->Active()) (*it)->Open();
    (*it)->EmptyDataSet();
  }
}

int TxndNFeDanfeDados::QuantidadeNFe() {
  return TxndNFeXmlUtils::ContarNFeXPath(FXmlPreparado.empty() ? FXml : FXmlPreparado);
}

int TxndNFeDanfeDados::TipoEmissao() { return StrToInt(ConteudoTag("tpEmis", FXml)); }

std::string TxndNFeDanfeDados::CodigoUFDanfe(const std::string& aSigla) const {
  const int indice = FTabelaUF.IndexOfName(aSigla);
  return indice >= 0 ? FTabelaUF.ValueFromIndex(indice) : std::string();
}

const std::string& TxndNFeDanfeDados::NFeProc(int aIndice) const {
  static const std::string nenhum;
  return aIndice >= 0 && static_cast<std::size_t>(aIndice) < FNFeProcs.size()
             ? FNFeProcs[static_cast<std::size_t>(aIndice)]
             : nenhum;
}

std::string TxndNFeDanfeDados::Grupo(const std::string& aTag) const {
  return "<" + aTag + ">" + ConteudoTag(aTag, FNFe) + "</" + aTag + ">";
}

std::string TxndNFeDanfeDados::Valor(const std::string& aTag, const std::string& aXml,
                                     bool aQuebras) const {
  std::string valor = TextoXml(ConteudoTag(aTag, aXml));
  if (aQuebras && !FLineDelimiter.empty()) valor = StringReplace(valor, FLineDelimiter, "\r");
  return valor;
}

void TxndNFeDanfeDados::SetCampo(TClientDataSet& aDataSet, const std::string& aCampo,
                                 const std::string& aValor) {
  aDataSet.FieldByName(aCampo).SetAsString(aValor);
}

std::string TxndNFeDanfeDados::LayoutVersao() const {
  if (Contem(FNFe, "versao=\"3.10\"")) return "3.10";
  if (Contem(FNFe, "versao=\"4.00\"")) return "4.00";
  return {};
}

bool TxndNFeDanfeDados::LayoutDataHora() const { return !LayoutVersao().empty(); }

void TxndNFeDanfeDados::CarregarDados() {
  LimparDados();
  // Several documents may come concatenated: their declarations go and one root holds them.
  std::string xml = FXml;
  for (std::size_t pos = 0; (pos = xml.find("\xEF\xBB\xBF", pos)) != std::string::npos;)
    xml.erase(pos, 3);
  for (std::size_t pos = 0; (pos = xml.find("<?", pos)) != std::string::npos;) {
    const std::size_t fim = xml.find("?>", pos);
    if (fim == std::string::npos) break;
    if (SameText(std::string_view(xml).substr(pos + 2, 4), "xml ")) {
      xml.erase(pos, fim + 2 - pos);
    } else {
      pos = fim + 2;
    }
  }
  FXmlPreparado = "<root>" + xml + "</root>";

  // Every infNFe and every nfeProc, in document order, from one reading of the text.
  FInfNFes.clear();
  FNFeProcs.clear();
  try {
    std::vector<std::string> nos;
    GovUtils()->SelectNodes(FXmlPreparado, ".//tec:infNFe | .//tec:nfeProc", smNodeXml,
                            NFeNamespacePrefix, nos);
    for (std::string& no : nos)
      (StartsText("<nfeProc", no) ? FNFeProcs : FInfNFes).push_back(std::move(no));
  } catch (const ExndException&) {
    throw;
  } catch (const std::exception& e) {
    throw ExndNFeReportException("O XML para impressão da Danfe não é um XML válido: %s",
                                 {std::string(e.what())}, FDiretorioLogErro);
  }
  const int quantidade = static_cast<int>(FInfNFes.size());
  if (quantidade == 0) {
    throw ExndNFeReportException("O XML para impressão da Danfe não contém NF-e.",
                                 FDiretorioLogErro);
  }
  if (FValidarRegrasNegocio) VerificarXml();
  FTemMedicamentos = Contem(FXmlPreparado, "<med>");
  const int tipo = TipoEmissao();

  for (int i = 0; i < quantidade; ++i) {
    const std::string& infNFe = FInfNFes[static_cast<std::size_t>(i)];
    std::string nfe;
    if (FValidarRegrasNegocio && (tipo == 1 || tipo == 3 || tipo == 6 || tipo == 7)) {
      nfe = NFeProc(i);
    } else if (tipo == 4 && Contem(FXmlPreparado, "nProt")) {
      nfe = NFeProc(i);
      if (!nfe.empty()) {
        FProtocoloDPEC = Valor("nProt", nfe);
        FDataHoraDPEC = Valor("dhRecbto", nfe);
      }
    }
    // A note sent without its protocol document is read from its infNFe.
    FNFe = nfe.empty() ? infNFe : nfe;
    FVolumes.clear();

    Dados().Append();
    PreencherEmitente();
    PreencherDestinatario();
    PreencherEntrega();
    PreencherIdentificacao();
    PreencherTotais();
    PreencherTransporte();
    PreencherVeiculoTransporte();
    PreencherVolumes();
    PreencherResumoVolumes();
    PreencherCodigoBarras();
    PreencherInformacoesAdicionais();
    PreencherTotaisISSQN();
    if (!FValidarRegrasNegocio)
      SetCampo(Dados(), "FraseHomologacao", "PREVISÃO DE DANFE. SEM VALOR FISCAL");
    Dados().Post();

    for (const TVolume& v : FVolumes) {
      FVolume->Append();
      SetCampo(*FVolume, "VolQuantidade", v.qVol);
      SetCampo(*FVolume, "VolEspecie", v.esp);
      SetCampo(*FVolume, "VolMarca", v.marca);
      SetCampo(*FVolume, "VolNumeracao", v.nVol);
      SetCampo(*FVolume, "VolPesoBruto", FormatarNumeroBR(v.pesoB));
      SetCampo(*FVolume, "VolPesoLiquido", FormatarNumeroBR(v.pesoL));
      FVolume->Post();
    }
    CarregarItens(infNFe);
    CarregarReferencias();
    CarregarDuplicatas();
  }
  FNFe.clear();
}

void TxndNFeDanfeDados::PreencherEmitente() {
  const std::string g = Grupo("emit");
  TClientDataSet& d = Dados();
  SetCampo(d, "EmitNome", Valor("xNome", g));
  SetCampo(d, "EmitFantasia", Valor("xFant", g));
  SetCampo(d, "EmitCNPJ", Valor("CNPJ", g));
  SetCampo(d, "EmitIE", Valor("IE", g));
  SetCampo(d, "EmitEnd", Valor("xLgr", g) + ", " + Valor("nro", g));
  SetCampo(d, "EmitLogradouro", Valor("xLgr", g));
  SetCampo(d, "EmitNumero", Valor("nro", g));
  SetCampo(d, "EmitBairro", Valor("xBairro", g));
  SetCampo(d, "EmitMun", Valor("xMun", g));
  SetCampo(d, "EmitUF", Valor("UF", g));
  SetCampo(d, "EmitCep", Valor("CEP", g));
  SetCampo(d, "EmitPais", Valor("xPais", g));
  SetCampo(d, "EmitIEST", Valor("IEST", g));
  SetCampo(d, "EmitIM", Valor("IM", g));
  SetCampo(d, "EmitFone", Valor("fone", g));
  SetCampo(d, "EmitComplemento", Valor("xCpl", g));
  SetCampo(d, "EmitCRT", Valor("CRT", g));
}

void TxndNFeDanfeDados::PreencherDestinatario() {
  const std::string g = Grupo("dest");
  TClientDataSet& d = Dados();
  const std::string cnpj = Valor("CNPJ", g);
  SetCampo(d, "DestCNPJ", cnpj.empty() ? Valor("CPF", g) : cnpj);
  SetCampo(d, "DestIE", Valor("IE", g));
  SetCampo(d, "DestNome", Valor("xNome", g));
  SetCampo(d, "DestEnd", Valor("xLgr", g) + ", " + Valor("nro", g));
  SetCampo(d, "DestLogradouro", Valor("xLgr", g));
  SetCampo(d, "DestNumero", Valor("nro", g));
  SetCampo(d, "DestBairro", Valor("xBairro", g));
  SetCampo(d, "DestMun", Valor("xMun", g));
  SetCampo(d, "DestUF", Valor("UF", g));
  SetCampo(d, "DestCep", Valor("CEP", g));
  SetCampo(d, "DestPais", Valor("xPais", g));
  SetCampo(d, "DestFoneFax", Valor("fone", g));
  SetCampo(d, "DestEmail", Valor("email", g));
  SetCampo(d, "DestComplemento", Valor("xCpl", g));
}

void TxndNFeDanfeDados::PreencherEntrega() {
  const std::string g = Grupo("entrega");
  TClientDataSet& d = Dados();
  SetCampo(d, "EntCNPJ", Valor("CNPJ", g));
  SetCampo(d, "EntEnd", Valor("xLgr", g));
  SetCampo(d, "EntNumero", Valor("nro", g));
  SetCampo(d, "EntComplemento", Valor("xCpl", g));
  SetCampo(d, "EntBairro", Valor("xBairro", g));
  SetCampo(d, "EntMun", Valor("xMun", g));
  SetCampo(d, "EntUF", Valor("UF", g));
}

void TxndNFeDanfeDados::PreencherIdentificacao() {
  const std::string g = Grupo("ide");
  TClientDataSet& d = Dados();
  const std::string tpEmis = Valor("tpEmis", g);
  SetCampo(d, "tpEmis", tpEmis);
  SetCampo(d, "NatOper", Valor("natOp", g));
  SetCampo(d, "Serie", Valor("serie", g));
  const std::string layout = LayoutVersao();
  if (layout.empty()) {
    SetCampo(d, "DtEmissao", DataParaTextoBR(Valor("dEmi", g)));
    SetCampo(d, "DtSaida", DataParaTextoBR(Valor("dSaiEnt", g)));
  } else {
    SetCampo(d, "DtEmissao", DataParaTextoBRVersao(Valor("dhEmi", g), layout));
    SetCampo(d, "DtSaida", DataParaTextoBRVersao(Valor("dhSaiEnt", g), layout));
  }
  SetCampo(d, "nNF", GovUtils()->PadLeft(Valor("nNF", g), 9));
  SetCampo(d, "indPag", Valor("indPag", g));
  if (Valor("tpAmb", g) == "2") SetCampo(d, "FraseHomologacao", FFraseHomologacao);
  if (tpEmis != "1") SetCampo(d, "FraseContingencia", FFraseContingencia);
}

void TxndNFeDanfeDados::PreencherTotais() {
  const std::string g = Grupo("total");
  TClientDataSet& d = Dados();
  const auto br = [&](const char* aCampo, const char* aTag) {
    SetCampo(d, aCampo, FormatarNumeroBR(Valor(aTag, g)));
  };
  br("BaseCalcIcms", "vBC");
  br("ValorIcms", "vICMS");
  br("BaseCalcIcmsSubs", "vBCST");
  br("ValorIcmsSubs", "vST");
  br("ValorTotProd", "vProd");
  br("ValorFrete", "vFrete");
  br("ValorSeguro", "vSeg");
  br("Desconto", "vDesc");
  br("OutrasDesp", "vOutro");
  br("ValorII", "vII");
  br("ValorIPI", "vIPI");
  br("ValorTotNota", "vNF");
  br("ValorTotCOFINS", "vCOFINS");
  br("ValorTotPIS", "vPIS");
  br("ValorTotTrib", "vTotTrib");
}

void TxndNFeDanfeDados::PreencherTotaisISSQN() {
  const std::string g = Grupo("ISSQNtot");
  TClientDataSet& d = Dados();
  SetCampo(d, "ValorTotServ", FormatarNumeroBR(Valor("vServ", g)));
  SetCampo(d, "BaseCalcISSQN", FormatarNumeroBR(Valor("vBC", g)));
  SetCampo(d, "ValorTotISSQN", FormatarNumeroBR(Valor("vISS", g)));
}

void TxndNFeDanfeDados::PreencherTransporte() {
  const std::string g = Grupo("transp");
  TClientDataSet& d = Dados();
  SetCampo(d, "TraModFrete", Valor("modFrete", g));
  const std::string cnpj = Valor("CNPJ", g);
  SetCampo(d, "TraCNPJ", cnpj.empty() ? Valor("CPF", g) : cnpj);
  SetCampo(d, "TraNome", Valor("xNome", g));
  SetCampo(d, "TraIE", Valor("IE", g));
  SetCampo(d, "TraEnd", Valor("xEnder", g));
  SetCampo(d, "TraMun", Valor("xMun", g));
  SetCampo(d, "TraUF", Valor("UF", g));
}

void TxndNFeDanfeDados::PreencherVeiculoTransporte() {
  const std::string g = Grupo("veicTransp");
  TClientDataSet& d = Dados();
  SetCampo(d, "VeiCodigoANTT", Valor("RNTC", g));
  SetCampo(d, "VeiPlaca", Valor("placa", g));
  SetCampo(d, "VeiUF", Valor("UF", g));
}

void TxndNFeDanfeDados::PreencherVolumes() {
  for (const std::string& vol : Trechos("vol", ConteudoTag("transp", FNFe))) {
    FVolumes.push_back({Valor("qVol", vol), Valor("esp", vol), Valor("marca", vol),
                        Valor("nVol", vol), Valor("pesoL", vol), Valor("pesoB", vol)});
  }
}

void TxndNFeDanfeDados::PreencherResumoVolumes() {
  TClientDataSet& d = Dados();
  if (!FImprimirVolume || FVolumes.size() < 2) {
    if (FVolumes.empty()) return;
    const TVolume& v = FVolumes.front();
    SetCampo(d, "VolQuantidade", v.qVol);
    SetCampo(d, "VolEspecie", v.esp);
    SetCampo(d, "VolMarca", v.marca);
    SetCampo(d, "VolNumeracao", v.nVol);
    SetCampo(d, "VolPesoBruto", FormatarNumeroBR(v.pesoB));
    SetCampo(d, "VolPesoLiquido", FormatarNumeroBR(v.pesoL));
    return;
  }
  SetCampo(d, "VolEspecie", "VER INF. COMP.");
  SetCampo(d, "VolMarca", "VER INF. COMP.");
  SetCampo(d, "VolNumeracao", "VER INF. COMP.");
  long double quantidade = 0;
  long double pesoB = 0;
  long double pesoL = 0;
  bool temQuantidade = false;
  for (const TVolume& v : FVolumes) {
    long double n = 0;
    if (LerNumeroXml(v.qVol, n)) {
      quantidade += n;
      temQuantidade = true;
    }
    if (LerNumeroXml(v.pesoB, n)) pesoB += n;
    if (LerNumeroXml(v.pesoL, n)) pesoL += n;
  }
  if (temQuantidade) SetCampo(d, "VolQuantidade", FormatarNumeroBR(NumeroXml(quantidade, -1)));
  if (pesoB > 0) SetCampo(d, "VolPesoBruto", FormatarNumeroBR(NumeroXml(pesoB, 3)));
  if (pesoL > 0) SetCampo(d, "VolPesoLiquido", FormatarNumeroBR(NumeroXml(pesoL, 3)));
}

void TxndNFeDanfeDados::PreencherCodigoBarras() {
  SetCampo(Dados(), "CodBarra", TxndNFeXmlUtils::ObterChaveAcesso(FNFe, false));
}

void TxndNFeDanfeDados::PreencherInformacoesAdicionais() {
  const std::string g = Grupo("infAdic");
  TClientDataSet& d = Dados();
  std::string fisco = Valor("infAdFisco", g, true);
  if (!fisco.empty()) fisco = Format("\r\n Observações destinadas ao Fisco:\r\n%s", fisco);

  std::string duplicata;
  if (d.FieldByName("indPag").AsString() == "0" && Contem(FNFe, "<nDup>") && FImprimirDuplicata) {
    duplicata = Format("Duplicata Num.: %s, Venc.: %s, Valor: %s\r\n", Valor("nDup", FNFe),
                       DataVencimento(Valor("dVenc", FNFe)), Valor("vDup", FNFe));
  }

  std::string volumes;
  if (FVolumes.size() >= 2 && FImprimirVolume) {
    for (const TVolume& v : FVolumes)
      volumes += Format("Esp.: %s Marca: %s Num.: %s\r\n", v.esp, v.marca, v.nVol);
  }

  std::string caixa;
  std::string continuacao;
  DividirInfCpl(volumes + duplicata + Valor("infCpl", g, true) + fisco, FInfCplMaxCol,
                FInfCplMaxRow, caixa, continuacao);
  SetCampo(d, "ObsContribuinte", caixa);
  SetCampo(d, "ContinuaObsContribuinte", continuacao);

  // The first obsCont: its xCampo attribute and its xTexto (a number in the Brazilian form).
  const std::string obsCont = ElementoComAtributos("obsCont", g);
  if (!obsCont.empty()) {
    SetCampo(d, "IdentCampo", TxndNFeXmlUtils::ObterAtributoTag(FNFe, "obsCont", "xCampo"));
    const std::string texto = Valor("xTexto", obsCont);
    SetCampo(d, "ContCampo", EhNumeroDecimal(texto) ? FormatarNumeroBR(texto) : texto);
  }
}

void TxndNFeDanfeDados::CarregarItens(const std::string& aInfNFe) {
  std::vector<std::string> nos;
  GovUtils()->SelectNodes(aInfNFe, ".//tec:infNFe/tec:det | .//*[local-name()=\"NFref\"]",
                          smNodeXml, NFeNamespacePrefix, nos);
  const std::string declaracao = std::string(" xmlns=\"") + NFeNamespace + "\"";
  FReferencias.clear();
  for (std::string& det : nos) {
    if (StartsText("<NFref", det)) {
      FReferencias.push_back(std::move(det));
      continue;
    }
    const std::size_t ns = det.find(declaracao);
    if (ns != std::string::npos) det.erase(ns, declaracao.size());
    // The item number is the nItem attribute of the det start tag.
    std::string item;
    const std::size_t fimAbertura = det.find('>');
    const std::size_t atributo = det.find("nItem=\"");
    if (atributo != std::string::npos && atributo < fimAbertura) {
      const std::size_t inicio = atributo + 7;
      item = det.substr(inicio, det.find('"', inicio) - inicio);
    }
    Itens().Append();
    PreencherItem(det, item);
    Itens().Post();
    PreencherMedicamentos(det, item);
    PreencherVeiculoNovo(det, item);
  }
}

void TxndNFeDanfeDados::PreencherItem(const std::string& aDet, const std::string& aItem) {
  TClientDataSet& d = Itens();
  const std::string prod = "<prod>" + ConteudoTag("prod", aDet) + "</prod>";
  const std::string imposto = "<imposto>" + ConteudoTag("imposto", aDet) + "</imposto>";
  const std::string icms = "<ICMS>" + ConteudoTag("ICMS", imposto) + "</ICMS>";
  const std::string ipi = "<IPI>" + ConteudoTag("IPI", imposto) + "</IPI>";
  const std::string pis = "<PIS>" + ConteudoTag("PIS", imposto) + "</PIS>";
  const std::string cofins = "<COFINS>" + ConteudoTag("COFINS", imposto) + "</COFINS>";
  const std::string ii = "<II>" + ConteudoTag("II", imposto) + "</II>";
  const auto br = [&](const char* aCampo, const char* aTag, const std::string& aGrupo) {
    SetCampo(d, aCampo, FormatarNumeroBR(Valor(aTag, aGrupo)));
  };

  SetCampo(d, "Item", aItem);
  SetCampo(d, "ItemCodigo", Valor("cProd", prod));
  SetCampo(d, "ItemEAN", Valor("cEAN", prod));
  SetCampo(d, "ItemNCM", Valor("NCM", prod));
  SetCampo(d, "ItemDescricao", Valor("xProd", prod, true));
  SetCampo(d, "ItemPedido", Valor("xPed", prod));
  SetCampo(d, "ItemCST", Valor("CST", icms));
  SetCampo(d, "ItemEX_TIPI", Valor("EXTIPI", prod));
  SetCampo(d, "ItemORIG", Valor("orig", icms));
  SetCampo(d, "ItemCFOP", Valor("CFOP", prod));
  SetCampo(d, "ItemUnidade", Valor("uCom", prod));

  br("ItemQuantidade", "qCom", prod);
  br("ItemVUnit", "vUnCom", prod);
  br("ItemVTotal", "vProd", prod);
  br("ItemVDesc", "vDesc", prod);
  br("ItemVSeg", "vSeg", prod);
  br("ItemVFrete", "vFrete", prod);
  br("ItemVOutro", "vOutro", prod);
  br("ItemVTotTrib", "vTotTrib", imposto);
  br("ItemVPMC", "vPMC", prod);
  br("ItemAliqIPI", "pIPI", ipi);
  br("ItemVIPI", "vIPI", ipi);

  if (FImprimirUnidadeTributada) {
    SetCampo(d, "ItemUnidadeTributada", Valor("uTrib", prod));
    br("ItemQuantidadeTributada", "qTrib", prod);
    br("ItemVUnitTributado", "vUnTrib", prod);
  }

  SetCampo(d, "ItemObs", Valor("infAdProd", aDet, true));

  SetCampo(d, "ItemNLote", Valor("nLote", prod));
  SetCampo(d, "ItemQLote", Valor("qLote", prod));
  SetCampo(d, "ItemDFab", Valor("dFab", prod));
  SetCampo(d, "ItemDVal", Valor("dVal", prod));
  SetCampo(d, "ItemClEnq", Valor("clEnq", ipi));
  SetCampo(d, "ItemCNPJProd", Valor("CNPJProd", ipi));
  SetCampo(d, "ItemCSelo", Valor("cSelo", ipi));
  SetCampo(d, "ItemQCelo", Valor("qSelo", ipi));
  SetCampo(d, "ItemCEnq", Valor("cEnq", ipi));

  if (Valor("motDesICMS", icms) != "7") br("ItemVIcms", "vICMS", icms);
  br("ItemBCalcIcms", "vBC", icms);
  br("ItemAliqIcms", "pICMS", icms);
  br("ItemAliqIcmsST", "pICMSST", icms);
  br("ItemVIcmsST", "vICMSST", icms);
  br("ItemBCalcIcmsST", "vBCST", icms);

  br("ItemVPIS", "vPIS", pis);
  br("ItemBCalcPIS", "vBC", pis);
  br("ItemAliqPIS", "pPIS", pis);
  SetCampo(d, "ItemCSTPIS", Valor("CST", pis));
  br("ItemQBCProdPIS", "qBCProd", pis);
  br("ItemVAliqProdPIS", "vAliqProd", pis);
  br("ItemVCOFINS", "vCOFINS", cofins);
  br("ItemBCalcCOFINS", "vBC", cofins);
  br("ItemAliqCOFINS", "pCOFINS", cofins);
  SetCampo(d, "ItemCSTCOFINS", Valor("CST", cofins));
  br("ItemQBCProdCOFINS", "qBCProd", cofins);
  br("ItemVAliqProdCOFINS", "vAliqProd", cofins);

  br("ItemIIVBC", "vBC", ii);
  br("ItemIIvDespAdu", "vDespAdu", ii);
  br("ItemIIvII", "vII", ii);
  br("ItemIIvIOF", "vIOF", ii);
}

void TxndNFeDanfeDados::PreencherMedicamentos(const std::string& aDet, const std::string& aItem) {
  if (!FTemMedicamentos) return;
  for (const std::string& med : Trechos("med", ConteudoTag("prod", aDet))) {
    Med().Append();
    SetCampo(Med(), "Item", aItem);
    SetCampo(Med(), "nLote", Valor("nLote", med));
    SetCampo(Med(), "qLote", Valor("qLote", med));
    SetCampo(Med(), "dFab", DataParaTextoBR(Valor("dFab", med)));
    SetCampo(Med(), "dVal", DataParaTextoBR(Valor("dVal", med)));
    SetCampo(Med(), "vPMC", Valor("vPMC", med));
    Med().Post();
  }
}

void TxndNFeDanfeDados::PreencherVeiculoNovo(const std::string& aDet, const std::string& aItem) {
  const std::string veic = ConteudoTag("veicProd", aDet);
  if (veic.empty()) return;
  const std::string g = "<veicProd>" + veic + "</veicProd>";
  Veic().Append();
  SetCampo(Veic(), "Item", aItem);
  for (const auto& field : Veic().Fields()) {
    const std::string& nome = field->FieldName();
    if (nome != "nNF" && nome != "Item") field->SetAsString(Valor(nome, g));
  }
  Veic().Post();
}

void TxndNFeDanfeDados::CarregarReferencias() {
  for (const std::string& ref : FReferencias) PreencherReferencia(ref);
  FReferencias.clear();
}

void TxndNFeDanfeDados::PreencherReferencia(const std::string& aNFref) {
  FRefNFe->Append();
  SetCampo(*FRefNFe, "ChaveNFeRef", Valor("refNFe", aNFref));
  FRefNFe->Post();

  const std::string nf = "<refNF>" + ConteudoTag("refNF", aNFref) + "</refNF>";
  FRefNF1A->Append();
  SetCampo(*FRefNF1A, "UFNF1ARef", Valor("cUF", nf));
  SetCampo(*FRefNF1A, "AnoMesNF1ARef", Valor("AAMM", nf));
  SetCampo(*FRefNF1A, "ModeloNF1ARef", Valor("mod", nf));
  SetCampo(*FRefNF1A, "SerieNF1ARef", Valor("serie", nf));
  SetCampo(*FRefNF1A, "NumeroNF1ARef", Valor("nNF", nf));
  SetCampo(*FRefNF1A, "CNPJNF1ARef", Valor("CNPJ", nf));
  FRefNF1A->Post();

  const std::string nfp = "<refNFP>" + ConteudoTag("refNFP", aNFref) + "</refNFP>";
  FRefProdutor->Append();
  SetCampo(*FRefProdutor, "UFNFProdutorRef", Valor("cUF", nfp));
  SetCampo(*FRefProdutor, "AnoMesNFProdutorRef", Valor("AAMM", nfp));
  SetCampo(*FRefProdutor, "ModeloNFProdutorRef", Valor("mod", nfp));
  SetCampo(*FRefProdutor, "SerieNFProdutorRef", Valor("serie", nfp));
  SetCampo(*FRefProdutor, "NumeroNFProdutorRef", Valor("nNF", nfp));
  SetCampo(*FRefProdutor, "IENFProdutorRef", Valor("IE", nfp));
  const std::string cnpj = Valor("CNPJ", nfp);
  SetCampo(*FRefProdutor, "CNPJNFProdutorRef", cnpj.empty() ? Valor("CPF", nfp) : cnpj);
  FRefProdutor->Post();

  const std::string ecf = "<refECF>" + ConteudoTag("refECF", aNFref) + "</refECF>";
  FRefCupomFiscal->Append();
  SetCampo(*FRefCupomFiscal, "NumeroECFCupomFiscalRef", Valor("nECF", ecf));
  SetCampo(*FRefCupomFiscal, "NumeroCOOCupomFiscalRef", Valor("nCOO", ecf));
  SetCampo(*FRefCupomFiscal, "ModeloCupomFiscalRef", Valor("mod", ecf));
  FRefCupomFiscal->Post();

  FRefCTe->Append();
  SetCampo(*FRefCTe, "ChaveCTeRef", Valor("refCTe", aNFref));
  FRefCTe->Post();
}

void TxndNFeDanfeDados::CarregarDuplicatas() {
  for (const std::string& dup : Trechos("dup", ConteudoTag("cobr", FNFe))) {
    FCobranca->Append();
    SetCampo(*FCobranca, "NumDuplicata", Valor("nDup", dup));
    SetCampo(*FCobranca, "DtVencimento", DataVencimento(Valor("dVenc", dup)));
    // Printed as the other amounts of the DANFE are ("1.234,56").
    SetCampo(*FCobranca, "ValorDuplicata", FormatarNumeroBR(Valor("vDup", dup)));
    FCobranca->Post();
  }
}

void TxndNFeDanfeDados::VerificarXml() {}

// ---- TxndNFeDanfeDados202 ----------------------------------------------------------------

int TxndNFeDanfeDados202::TipoEmissao() { return 1; }

void TxndNFeDanfeDados202::PreencherIdentificacao() {
  TxndNFeDanfeDados::PreencherIdentificacao();
  const std::string tpNF = Valor("tpNF", Grupo("ide"));
  std::string nTpNF;
  if (tpNF == "0") nTpNF = "1";
  if (tpNF == "1") nTpNF = "2";
  SetCampo(Dados(), "nTpNF", nTpNF);
}

void TxndNFeDanfeDados202::VerificarXml() {
  if (!Contem(XmlPreparado(), "Signature")) {
    throw ExndNFeReportException("A Nota não possui Assinatura", DiretorioLogErro());
  }
}

// ---- TxndNFeDanfeDados30 ---------------------------------------------------------------------

int TxndNFeDanfeDados30::TipoEmissao() { return TxndNFeDanfeDados::TipoEmissao(); }

void TxndNFeDanfeDados30::PreencherIdentificacao() {
  TxndNFeDanfeDados::PreencherIdentificacao();
  TClientDataSet& d = Dados();
  const std::string g = Grupo("ide");
  SetCampo(d, "nTpNF", Valor("tpNF", g));
  const std::string tpEmis = Valor("tpEmis", g);
  // Notes authorised by the state or by either contingency service (SVC-AN 6, SVC-RS 7) carry their
  // protocol.
  if (tpEmis == "1" || tpEmis == "3" || tpEmis == "6" || tpEmis == "7") {
    SetCampo(d, "nProt", Valor("nProt", NFe()));
    SetCampo(d, "dhRecbto", Valor("dhRecbto", NFe()));
  } else if (tpEmis == "2" || tpEmis == "5") {
    SetCampo(d, "nProt", "");
    SetCampo(d, "dhRecbto", "");
  } else if (tpEmis == "4") {
    if (ProtocoloDPEC().empty()) {
      throw ExndNFeReportException("Protocolo de DPEC não foi informado", DiretorioLogErro());
    }
    SetCampo(d, "nProt", ProtocoloDPEC());
    SetCampo(d, "dhRecbto", DataHoraDPEC());
  }
}

void TxndNFeDanfeDados30::PreencherCodigoBarras() {
  TxndNFeDanfeDados::PreencherCodigoBarras();
  TClientDataSet& d = Dados();
  const std::string tpEmis = d.FieldByName("tpEmis").AsString();
  if (tpEmis != "2" && tpEmis != "5") return;
  const std::string total = Grupo("ICMSTot");
  // ICMS of its own / by substitution is shown when the note's totals carry a base above zero.
  const auto destaque = [&](const char* aTag) {
    long double valor = 0;
    return LerNumeroXml(Valor(aTag, total), valor) && valor > 0 ? "1" : "2";
  };
  const std::string dataEmissao = Valor(LayoutDataHora() ? "dhEmi" : "dEmi", Grupo("ide"));
  std::string vNF = Valor("vNF", total);
  const std::size_t ponto = vNF.find('.');
  if (ponto != std::string::npos) vNF.erase(ponto, 1);
  SetCampo(d, "CodBarraDadosNFe",
           GerarCodigoDadosNFe(CodigoUFDanfe(d.FieldByName("DestUF").AsString()), tpEmis,
                               GovUtils()->PadLeft(d.FieldByName("DestCNPJ").AsString(), 14), vNF,
                               destaque("vBC"), destaque("vBCST"), Utf8Copy(dataEmissao, 9, 2)));
}

void TxndNFeDanfeDados30::VerificarXml() {
  const int tipo = TipoEmissao();
  if (tipo != 1 && tipo != 3) return;
  for (int i = 0; i < NotasCarregadas(); ++i) {
    const std::string& proc = NFeProc(i);
    if (!Contem(proc, "protNFe")) {
      throw ExndNFeReportException("O Xml não é válido para impressão em modo Normal / SCAN",
                                   DiretorioLogErro());
    }
    if (ConteudoTag("cStat", proc) != "100") {
      throw ExndNFeReportException("Danfe não autorizada para Impressão.", DiretorioLogErro());
    }
    if (ConteudoTag("nProt", proc).empty()) {
      throw ExndNFeReportException("Número de Protocolo não encontrado.", DiretorioLogErro());
    }
  }
}

// ---- TxndNFeDanfeDados40 ------------------------------------------------------------------------

void TxndNFeDanfeDados40::PreencherIdentificacao() {
  TxndNFeDanfeDados30::PreencherIdentificacao();
  TClientDataSet& d = Dados();
  const std::string g = Grupo("ide");
  SetCampo(d, "hSaida",
           LayoutDataHora() ? HoraDaDataHora(Valor("dhSaiEnt", g)) : Valor("hSaiEnt", g));
  if (TipoEmissao() > 1) {
    const std::string xJust = Valor("xJust", g);
    SetCampo(d, "FraseContingencia",
             Format("%s [%s]", d.FieldByName("FraseContingencia").AsString(), xJust));
    SetCampo(d, "dhContingencia", Valor("dhCont", g));
    SetCampo(d, "JustContingencia", xJust);
  }
}

void TxndNFeDanfeDados40::PreencherTransporte() {
  TxndNFeDanfeDados30::PreencherTransporte();
  TClientDataSet& d = Dados();
  const std::string modFrete = d.FieldByName("TraModFrete").AsString();
  std::string descricao;
  if (SameText(modFrete, "0"))
    descricao = modFrete + "-Emitente";
  else if (SameText(modFrete, "1"))
    descricao = modFrete + "-Dest/Rem";
  else if (SameText(modFrete, "2"))
    descricao = modFrete + "-Terceiros";
  else if (SameText(modFrete, "9"))
    descricao = modFrete + "-Sem Frete";
  SetCampo(d, "TraDescMod", descricao);
}

void TxndNFeDanfeDados40::PreencherItem(const std::string& aDet, const std::string& aItem) {
  TxndNFeDanfeDados30::PreencherItem(aDet, aItem);
  const std::string csosn = Valor("CSOSN", aDet);
  if (!csosn.empty()) SetCampo(Itens(), "ItemCST", csosn);
  if (!ConteudoTag("ISSQN", aDet).empty()) SetCampo(Itens(), "ItemCST", "");
}

}  // namespace xnd
