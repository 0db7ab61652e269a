// xndnfe gerar: notes from JSON or INI descriptions of the entry datasets.
//
// A description gives the values of the fields of the entry datasets (the
// shipped dictionary, Templates/vm40/Conversor/NFeDataSets.xml) for one note,
// or for several in JSON:
//
//   JSON  {"B": {"natOp_B04": "Venda de mercadoria", "mod_B06": "55"},
//          "H": [{"nItem_H02": "1", "I": {"cProd_I02": "P1"}, "N": {...}}],
//          "X": {"modFrete_X02": "0", "VOL": [{"qVol_X27": "2"}]},
//          "Y": {"DUP": [{"nDup_Y08": "001"}]}}
//         or {"notas": [{...}, {...}]}.
//         A key that names a dataset opens records of it: at the top a dataset
//         without master (B, C, H, W, X ...), inside a record a dataset whose
//         master is the record's dataset (I and N inside H, VOL inside X). An
//         object is one record, a list several. Every other key is a field of
//         the record. Values are texts; a number is taken as the file writes
//         it (12.50 -> "12.50"); true, false, null and objects under a field
//         are refused, and so is a key given twice.
//   INI   one note; a section per record with the path of its datasets from
//         the top, each with its record number (1 when left out):
//         [B], [H:1], [H:1/I], [H:2/N], [X/VOL:1], [X/VOL:1/LACRE:2].
//         Keys are field names; the records of a dataset are entered in number
//         order.
//
// Names are exact, as the dictionary spells them ("natOp_B04", "VOL"). The
// datasets of one record per note or per item (B, C, W, X, I, N ...) take
// one record. When a note leaves its date of issue empty (dhEmi_B09 from
// layout 3.10 on, dEmi_B09 before) it is issued now, in the time zone of its
// UF. The batch is written only when every note was generated.
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "XndCliComum.h"
#include "datasets/xndNFeDataSets.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr int MaximoNotas = 50;

// The names of TVersaoEsquema, by ordinal.
constexpr std::array<const char*, 17> NomesEsquema = {
    "pl_005a", "pl_005b", "pl_005c", "pl_005d", "pl_005f", "pl_006e",
    "pl_006f", "pl_006g", "pl_006i", "pl_006j", "pl_006m", "pl_006n",
    "pl_006p", "pl_006q", "pl_006r", "pl_006s", "pl_008a"};

// Datasets of one record per note or per item (the schema's groups of at
// most one occurrence); every other dataset takes a list.
const std::set<std::string> RegistroUnico = {
    "A",  "B",  "C", "D", "E",  "F", "G", "W", "X", "Y", "Z", "CANA", "I",  "J",
    "L1", "L2", "M", "N", "NA", "O", "P", "Q", "R", "S", "T", "U",    "UA", "V"};

[[noreturn]] void EntradaInvalida(const std::string& aMensagem) {
  throw ECliFalha(csEntradaInvalida, aMensagem);
}

// ---- Schema package ------------------------------------------------------------

// --esquema by name (ignoring case), or the newest package of the configured
// manual (manual 2.0.2a shares the packages of 3.0).
TVersaoEsquema EscolherEsquema(const TContexto& aCtx) {
  if (aCtx.Linha.Tem("--esquema")) {
    const std::string nome = aCtx.Linha.Valor("--esquema");
    for (std::size_t i = 0; i < NomesEsquema.size(); ++i)
      if (SameText(nome, NomesEsquema[i])) return static_cast<TVersaoEsquema>(i);
    EntradaInvalida("pacote de esquemas desconhecido: " + nome + " (use um de pl_005a a pl_008a)");
  }
  TVersaoManual manual = aCtx.NFe->VersaoManual();
  if (manual == vm202a) manual = vm30;
  for (std::size_t i = NomesEsquema.size(); i-- > 0;) {
    const auto versao = static_cast<TVersaoEsquema>(i);
    if (VersaoEsquemaParaManual(versao) == manual) return versao;
  }
  EntradaInvalida("nenhum pacote de esquemas para o manual " + VersaoManualParaTexto(manual));
}

// ---- Reading the description files ---------------------------------------------

// One note of a description.
struct TNota {
  std::string Arquivo;
  int Numero = 1;       // its place in the file, from 1
  bool Varias = false;  // the file describes several
  json Campos;

  std::string Rotulo() const { return Varias ? Arquivo + ", nota " + IntToStr(Numero) : Arquivo; }
};

// Builds the document as the file writes it: numbers become their own text,
// a repeated key stops the parse.
class TLeitorJson : public nlohmann::json_sax<json> {
 public:
  json Raiz;
  std::size_t PosicaoErro = 0;
  std::string ChaveRepetida;

  bool null() override { return Valor(nullptr); }
  bool boolean(bool aValor) override { return Valor(aValor); }
  bool number_integer(number_integer_t aValor) override { return Valor(std::to_string(aValor)); }
  bool number_unsigned(number_unsigned_t aValor) override { return Valor(std::to_string(aValor)); }
  bool number_float(number_float_t, const string_t& aTexto) override { return Valor(aTexto); }
  bool string(string_t& aValor) override { return Valor(std::move(aValor)); }
  bool binary(binary_t&) override { return false; }
  bool start_object(std::size_t) override { return Abrir(json::object()); }
  bool end_object() override { return Fechar(); }
  bool start_array(std::size_t) override { return Abrir(json::array()); }
  bool end_array() override { return Fechar(); }
  bool key(string_t& aChave) override {
    if (FPilha.back()->contains(aChave)) {
      ChaveRepetida = aChave;
      return false;
    }
    FChave = aChave;
    return true;
  }
  bool parse_error(std::size_t aPosicao, const std::string&,
                   const nlohmann::detail::exception&) override {
    PosicaoErro = aPosicao;
    return false;
  }

 private:
  json& Inserir(json aValor) {
    if (FPilha.empty()) return Raiz = std::move(aValor);
    json& topo = *FPilha.back();
    if (topo.is_array()) {
      topo.push_back(std::move(aValor));
      return topo.back();
    }
    return topo[FChave] = std::move(aValor);
  }
  bool Valor(json aValor) {
    Inserir(std::move(aValor));
    return true;
  }
  bool Abrir(json aValor) {
    FPilha.push_back(&Inserir(std::move(aValor)));
    return true;
  }
  bool Fechar() {
    FPilha.pop_back();
    return true;
  }

  std::vector<json*> FPilha;  // the open containers; a parent never grows while a child is open
  std::string FChave;
};

json LerJson(const std::string& aArquivo, const std::string& aTexto) {
  TLeitorJson leitor;
  if (json::sax_parse(aTexto, &leitor)) return std::move(leitor.Raiz);
  if (!leitor.ChaveRepetida.empty())
    EntradaInvalida(aArquivo + ": chave repetida: " + leitor.ChaveRepetida);
  // The parser reports how many characters it had read, the bad one included.
  const std::size_t lidos = std::min(leitor.PosicaoErro, aTexto.size() + 1);
  const std::string antes = aTexto.substr(0, lidos == 0 ? 0 : lidos - 1);
  const std::size_t quebra = antes.rfind('\n');
  const std::size_t linha =
      1 + static_cast<std::size_t>(std::count(antes.begin(), antes.end(), '\n'));
  const std::size_t coluna = quebra == std::string::npos ? antes.size() + 1 : antes.size() - quebra;
  EntradaInvalida(aArquivo + ": JSON malformado na linha " + std::to_string(linha) + ", coluna " +
                  std::to_string(coluna));
}

// One record of an INI description and the records under it.
struct TRegistroIni {
  std::vector<std::pair<std::string, std::string>> Campos;
  // Datasets in the order they first appear, each with its records by number.
  std::vector<std::pair<std::string, std::map<int, std::unique_ptr<TRegistroIni>>>> Grupos;

  TRegistroIni& Filho(const std::string& aGrupo, int aNumero) {
    auto grupo = std::find_if(Grupos.begin(), Grupos.end(),
                              [&](const auto& g) { return g.first == aGrupo; });
    if (grupo == Grupos.end()) {
      Grupos.emplace_back(aGrupo, std::map<int, std::unique_ptr<TRegistroIni>>());
      grupo = std::prev(Grupos.end());
    }
    std::unique_ptr<TRegistroIni>& filho = grupo->second[aNumero];
    if (!filho) filho = std::make_unique<TRegistroIni>();
    return *filho;
  }

  json ParaJson() const {
    json objeto = json::object();
    for (const auto& [nome, valor] : Campos) objeto[nome] = valor;
    for (const auto& [grupo, registros] : Grupos) {
      json lista = json::array();
      for (const auto& [numero, registro] : registros) lista.push_back(registro->ParaJson());
      objeto[grupo] = std::move(lista);
    }
    return objeto;
  }
};

// "H:2/N" -> {("H", 2), ("N", 1)}; an empty vector when the name is not a path.
std::vector<std::pair<std::string, int>> CaminhoSecao(const std::string& aSecao) {
  std::vector<std::pair<std::string, int>> caminho;
  std::size_t inicio = 0;
  while (true) {
    const std::size_t barra = aSecao.find('/', inicio);
    const std::string parte = Trim(aSecao.substr(inicio, barra - inicio));
    const std::size_t doisPontos = parte.find(':');
    const std::string grupo = Trim(parte.substr(0, doisPontos));
    int numero = 1;
    if (doisPontos != std::string::npos) {
      const std::string texto = Trim(parte.substr(doisPontos + 1));
      if (!IsAsciiDigits(texto) || !TryStrToInt(texto, numero) || numero < 1) return {};
    }
    if (grupo.empty()) return {};
    caminho.emplace_back(grupo, numero);
    if (barra == std::string::npos) return caminho;
    inicio = barra + 1;
  }
}

bool Comentario(const std::string& aLinha) {
  const std::string linha = Trim(aLinha);
  return linha.empty() || linha[0] == ';';
}

json LerIni(const std::string& aArquivo, const std::string& aTexto) {
  // Lines before the first section are not read by the INI parser: only
  // comments may stand there.
  const std::string_view semBom =
      aTexto.rfind("\xEF\xBB\xBF", 0) == 0 ? std::string_view(aTexto).substr(3) : aTexto;
  for (const std::string_view linha : SplitLines(semBom)) {
    const std::string texto = Trim(linha);
    if (!texto.empty() && texto[0] == '[') break;
    if (!Comentario(texto)) EntradaInvalida(aArquivo + ": linha fora de uma seção: " + texto);
  }
  TIniContent ini;
  ini.Parse(aTexto);
  TRegistroIni raiz;
  std::set<std::string> secoes;
  for (const TIniContent::Section& secao : ini.Sections()) {
    const auto caminho = CaminhoSecao(secao.Name);
    if (caminho.empty()) EntradaInvalida(aArquivo + ": seção inválida: [" + secao.Name + "]");
    std::string chave;
    TRegistroIni* registro = &raiz;
    for (const auto& [grupo, numero] : caminho) {
      chave += "/" + grupo + ":" + std::to_string(numero);
      registro = &registro->Filho(grupo, numero);
    }
    if (!secoes.insert(chave).second)
      EntradaInvalida(aArquivo + ": seção repetida: [" + secao.Name + "]");
    std::set<std::string> campos;
    for (const TIniContent::Entry& entrada : secao.Entries) {
      if (!entrada.IsKey) {
        if (!Comentario(entrada.Line))
          EntradaInvalida(aArquivo + ": linha sem \"=\" em [" + secao.Name +
                          "]: " + Trim(entrada.Line));
        continue;
      }
      if (!campos.insert(entrada.Name).second)
        EntradaInvalida(aArquivo + ": campo repetido em [" + secao.Name + "]: " + entrada.Name);
      registro->Campos.emplace_back(entrada.Name, entrada.Value);
    }
  }
  return raiz.ParaJson();
}

// The notes of one description file.
std::vector<TNota> LerDescricao(const std::string& aArquivo) {
  const std::string texto = LerArquivo(aArquivo, false);
  const std::size_t inicio = texto.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  const char primeiro = inicio == std::string::npos ? '\0' : texto[inicio];
  if (primeiro == '[' || primeiro == ';')
    return {TNota{aArquivo, 1, false, LerIni(aArquivo, texto)}};
  if (primeiro != '{') EntradaInvalida(aArquivo + ": não é uma descrição JSON nem INI");
  // As the INI reader does: text that is not UTF-8 is read as Windows-1252,
  // the encoding of the Brazilian Windows programs that export notes.
  json raiz = LerJson(aArquivo, IsValidUtf8(texto) ? texto : Win1252ToUtf8(texto));
  if (!raiz.contains("notas")) return {TNota{aArquivo, 1, false, std::move(raiz)}};
  if (raiz.size() != 1)
    EntradaInvalida(aArquivo + ": uma descrição com \"notas\" não tem outras chaves");
  json& lista = raiz["notas"];
  if (!lista.is_array() || lista.empty())
    EntradaInvalida(aArquivo + ": \"notas\" deve ser uma lista de notas, com ao menos uma");
  std::vector<TNota> notas;
  for (json& nota : lista) {
    const int numero = static_cast<int>(notas.size()) + 1;
    if (!nota.is_object())
      EntradaInvalida(aArquivo + ": a nota " + IntToStr(numero) + " não é um objeto");
    notas.push_back(TNota{aArquivo, numero, lista.size() > 1, std::move(nota)});
  }
  return notas;
}

// ---- Entering a note -------------------------------------------------------------------

// Enters one note's records into the engine's datasets.
class TDigitacao {
 public:
  TDigitacao(TxndNFeCustomDataSet& aMotor, const TNota& aNota) : FMotor(aMotor), FNota(aNota) {}

  void Nota() {
    if (!FNota.Campos.is_object()) Falha("a nota deve ser um objeto");
    for (const auto& [chave, valor] : FNota.Campos.items()) {
      TXmlDataSetNFe* dataSet = DataSet(chave);
      if (dataSet == nullptr) Falha("grupo desconhecido: " + chave);
      if (!dataSet->NomeMestre().empty())
        Falha("o grupo " + chave + " não é um grupo da nota (o seu mestre é " +
              dataSet->NomeMestre() + ")");
      Registros(*dataSet, valor);
    }
  }

  [[noreturn]] void Falha(const std::string& aMensagem) const {
    EntradaInvalida(FNota.Rotulo() + ": " + aMensagem);
  }

  // The visible fields the file filled for this note, in entry order.
  const std::vector<std::string>& Informados() const { return FInformados; }

 private:
  TXmlDataSetNFe* DataSet(const std::string& aNome) const {
    for (const auto& dataSet : FMotor.ListDataSets())
      if (dataSet->Name() == aNome) return dataSet.get();
    return nullptr;
  }

  void Registros(TXmlDataSetNFe& aDataSet, const json& aValor) {
    if (aValor.is_object()) return Registro(aDataSet, aValor);
    if (!aValor.is_array())
      Falha("o grupo " + aDataSet.Name() + " deve ser um objeto ou uma lista de objetos");
    if (aValor.size() > 1 && RegistroUnico.count(aDataSet.Name()) != 0)
      Falha("o grupo " + aDataSet.Name() + " admite um só registro");
    for (const json& registro : aValor) {
      if (!registro.is_object())
        Falha("o grupo " + aDataSet.Name() + " deve ser um objeto ou uma lista de objetos");
      Registro(aDataSet, registro);
    }
  }

  // Fields first, then the records of its details, then the record is posted.
  void Registro(TXmlDataSetNFe& aDataSet, const json& aRegistro) {
    NovoRegistro(aDataSet);
    for (const auto& [chave, valor] : aRegistro.items())
      if (DataSet(chave) == nullptr) Campo(aDataSet, chave, valor);
    for (const auto& [chave, valor] : aRegistro.items()) {
      TXmlDataSetNFe* detalhe = DataSet(chave);
      if (detalhe == nullptr) continue;
      if (detalhe->NomeMestre() != aDataSet.Name())
        Falha("o grupo " + chave + " não é um detalhe do grupo " + aDataSet.Name() +
              (detalhe->NomeMestre().empty() ? " (é um grupo da nota)"
                                             : " (o seu mestre é " + detalhe->NomeMestre() + ")"));
      Registros(*detalhe, valor);
    }
    FMotor.SalvarParte(aDataSet.Name());
  }

  // The empty record Incluir left for this master record is used; otherwise
  // a new one is appended.
  void NovoRegistro(TXmlDataSetNFe& aDataSet) {
    if (aDataSet.State() == dsInsert && !FMotor.PossuiDados(aDataSet) && DoMestreAtual(aDataSet))
      return;
    FMotor.IncluirParte(aDataSet.Name());
  }

  bool DoMestreAtual(TXmlDataSetNFe& aDataSet) {
    if (aDataSet.NomeMestre().empty()) return true;
    const TXmlDataSetNFe& mestre = FMotor.DataSetPorNome(aDataSet.NomeMestre());
    return aDataSet.FieldByName(aDataSet.CampoChave()).AsString() ==
           mestre.FieldByName(aDataSet.CampoMestre()).AsString();
  }

  void Campo(TXmlDataSetNFe& aDataSet, const std::string& aNome, const json& aValor) {
    TField* campo = aDataSet.FindField(aNome);
    if (campo == nullptr || campo->FieldName() != aNome || aNome == "handle" ||
        aNome == aDataSet.CampoChave())
      Falha("campo desconhecido no grupo " + aDataSet.Name() + ": " + aNome);
    if (!aValor.is_string())
      Falha("o campo " + aNome + " do grupo " + aDataSet.Name() +
            " deve ser um texto ou um número");
    campo->SetAsString(aValor.get<std::string>());
    if (campo->Visible() && !Trim(campo->AsString()).empty()) FInformados.push_back(aNome);
  }

  TxndNFeCustomDataSet& FMotor;
  const TNota& FNota;
  std::vector<std::string> FInformados;
};

// The filled fields whose element or attribute the note does not carry: a
// field of another layout, or of a group the note's choices leave out (a
// tax field that its CST does not take). The dictionary names a field after
// its element: "CNPJ_C02" is <CNPJ>.
std::vector<std::string> CamposForaDaNota(const std::vector<std::string>& aCampos,
                                          const std::string& aXml) {
  std::vector<std::string> fora;
  for (const std::string& campo : aCampos) {
    const std::string nome = campo.substr(0, campo.rfind('_'));
    const bool presente = aXml.find("<" + nome + ">") != std::string::npos ||
                          aXml.find("<" + nome + " ") != std::string::npos ||
                          aXml.find(" " + nome + "=\"") != std::string::npos;
    if (!presente && std::find(fora.begin(), fora.end(), campo) == fora.end())
      fora.push_back(campo);
  }
  return fora;
}

// The date of issue the note left empty: now.
void PreencherEmissao(TxndNFeCustomDataSet& aMotor, TVersaoEsquema aEsquema) {
  const bool dataHora = aEsquema >= pl_008a;
  TXmlDataSetNFe& ide = aMotor.DataSetPorNome("B");
  TField& campo = ide.FieldByName(dataHora ? "dhEmi_B09" : "dEmi_B09");
  if (!Trim(campo.AsString()).empty()) return;
  std::string cUF = ide.FieldByName("cUF_B02").AsString();
  if (cUF.empty()) cUF = CodigoUF(aMotor.DataSetPorNome("C").FieldByName("UF_C12").AsString());
  if (ide.State() == dsBrowse) ide.Edit();
  campo.SetAsString(AgoraNaUF(cUF, !dataHora));
  aMotor.SalvarParte("B");
}

// Enters and saves one note; its infNFe is the last line of LoteNFe. A rule
// violation exits with 1, any other failure with 2, both naming the note.
// Returns the filled fields the note does not carry.
std::vector<std::string> GerarNota(TxndNFeDataSets& aEntrada, TVersaoEsquema aEsquema,
                                   const TNota& aNota) {
  TDigitacao digitacao(aEntrada.Engine(), aNota);
  try {
    aEntrada.Incluir();
    digitacao.Nota();
    PreencherEmissao(aEntrada.Engine(), aEsquema);
    aEntrada.Salvar();
    return CamposForaDaNota(digitacao.Informados(), aEntrada.Engine().UltimoXml());
  } catch (const ECliFalha&) {
    throw;
  } catch (const ExndNFeRuleException& e) {
    throw ECliFalha(csRejeitado, aNota.Rotulo() + ": " + e.what());
  } catch (const std::exception& e) {
    digitacao.Falha(e.what());
  }
}

}  // namespace

int ComandoGerar(TContexto& aCtx) {
  const TVersaoEsquema esquema = EscolherEsquema(aCtx);
  std::vector<TNota> notas;
  for (const std::string& arquivo : aCtx.Linha.Posicionais)
    for (TNota& nota : LerDescricao(arquivo)) notas.push_back(std::move(nota));
  if (notas.size() > static_cast<std::size_t>(MaximoNotas))
    EntradaInvalida("O Lote não pode possuir mais de 50 notas: as descrições somam " +
                    std::to_string(notas.size()) + ".");

  TxndNFeDataSets entrada;
  entrada.SetVersaoEsquema(esquema);
  entrada.SetXMLDicionario(DicionarioNFeInstalado());
  entrada.Engine().SetDiretorioLogErro(aCtx.NFe->DiretorioLogErro());
  const bool regras = !aCtx.Linha.Tem("--sem-regras");
  entrada.SetValidaRegrasNegocioVarno(regras);
  entrada.SetValidaRegrasNegocio(regras);
  entrada.SetExcecoesDeRegras(aCtx.Linha.Valor("--excecoes"));

  std::string lote = "<lote>";
  json geradas = json::array();
  std::map<std::string, std::string> chaves;  // key -> the note that has it
  std::vector<std::string> avisos;            // shown once every note was generated
  for (const TNota& nota : notas) {
    const std::vector<std::string> fora = GerarNota(entrada, esquema, nota);
    if (!fora.empty()) {
      std::string lista;
      for (const std::string& campo : fora) lista += (lista.empty() ? "" : ", ") + campo;
      avisos.push_back("xndnfe: aviso: " + nota.Rotulo() + ": campos que a nota gerada não leva (" +
                       NomesEsquema[esquema] + "): " + lista);
    }
    const std::string nfe = NFeAberta + entrada.LoteNFe()[entrada.LoteNFe().Count() - 1] + "</NFe>";
    const std::string chave = TxndNFeXmlUtils::ObterChaveAcesso(nfe, false);
    // The service would refuse the second as a duplicate.
    const auto [anterior, nova] = chaves.emplace(chave, nota.Rotulo());
    if (!nova)
      EntradaInvalida(nota.Rotulo() + ": a chave de acesso " + chave + " repete a de " +
                      anterior->second);
    lote += nfe;
    geradas.push_back(json{{"chNFe", chave}, {"arquivo", nota.Arquivo}, {"nota", nota.Numero}});
  }
  lote += "</lote>";

  const bool arquivo = aCtx.Linha.Tem("-o");
  if (arquivo) GravarArquivo(aCtx.Linha.Valor("-o"), lote);
  if (aCtx.Linha.Json) {
    json saida{{"notas", geradas}};
    if (arquivo)
      saida["saida"] = aCtx.Linha.Valor("-o");
    else
      saida["lote"] = lote;
    aCtx.Escrever(saida);
  } else if (arquivo) {
    for (const json& g : geradas) aCtx.Saida << g["chNFe"].get<std::string>() << " gerada\n";
  } else {
    aCtx.Saida << lote << "\n";
  }
  for (const std::string& aviso : avisos) aCtx.Erros << aviso << "\n";
  return csOk;
}

}  // namespace xnd::cli
