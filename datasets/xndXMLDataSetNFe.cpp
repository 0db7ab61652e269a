#include "datasets/xndXMLDataSetNFe.h"

#include <libxml/tree.h>

#include "platform/files.h"
#include "platform/text.h"
#include "servers/govutils/XmlSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

// The child nodes the dictionary counts: whitespace-only text and comments
// of an indented file are not nodes.
std::vector<xmlNode*> ChildNodes(xmlNode* aNode) {
  std::vector<xmlNode*> nodes;
  for (xmlNode* child = aNode->children; child != nullptr; child = child->next) {
    if (child->type == XML_COMMENT_NODE) continue;
    if (child->type == XML_TEXT_NODE) {
      const std::string text = govutils::ToString(child->content);
      if (Trim(text).empty()) continue;
    }
    nodes.push_back(child);
  }
  return nodes;
}

// The node's name as the dictionary sees it.
std::string NodeName(const xmlNode* aNode) {
  switch (aNode->type) {
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    default:
      return govutils::ToString(aNode->name);
  }
}

bool HasAttribute(xmlNode* aNode, const char* aName) {
  return aNode->type == XML_ELEMENT_NODE && xmlHasProp(aNode, BAD_CAST aName) != nullptr;
}

std::string Attribute(xmlNode* aNode, const char* aName) {
  if (aNode->type != XML_ELEMENT_NODE) return {};
  govutils::XmlCharPtr value(xmlGetProp(aNode, BAD_CAST aName));
  return value ? govutils::ToString(value.get()) : std::string();
}

// The dictionary's booleans: true only for exactly "s".
bool Flag(xmlNode* aNode, const char* aName) { return Attribute(aNode, aName) == "s"; }

void CheckComponentName(const std::string& aName) {
  if (!IsValidIdent(aName)) throw EDatabaseError(Format("'%s' is not a valid component name", aName));
}

TXmlFieldNFe& AsXmlField(TField& aField) {
  auto* field = dynamic_cast<TXmlFieldNFe*>(&aField);
  if (field == nullptr) throw EDatabaseError(Format("Field '%s' is not a dictionary field", aField.FieldName()));
  return *field;
}

}  // namespace

// ---------------------------------------------------------------- TXmlFieldNFe

std::string TXmlFieldNFe::GetDica() const { return FDica; }
bool TXmlFieldNFe::GetTagVazia() const { return FTagVazia; }
std::string TXmlFieldNFe::GetTpNode() const { return FTpNode; }
void TXmlFieldNFe::SetTpNode(const std::string& aValue) { FTpNode = aValue; }
void TXmlFieldNFe::SetTagVazia(bool aValue) { FTagVazia = aValue; }
void TXmlFieldNFe::SetDica(const std::string& aValue) { FDica = aValue; }

std::string TXmlFieldNFe::GetEnum() const {
  std::string text;
  for (const std::string& value : FEnum) text += value + "\r\n";
  return text;
}

void TXmlFieldNFe::SetEnum(const std::string& aList) {
  auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
  std::vector<std::string> values;
  std::size_t p = 0;
  const std::size_t n = aList.size();
  while (p < n && blank(aList[p])) ++p;
  while (p < n) {
    std::string value;
    if (aList[p] == '"') {
      ++p;
      while (p < n) {
        if (aList[p] == '"') {
          if (p + 1 < n && aList[p + 1] == '"') {
            value += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        value += aList[p++];
      }
    } else {
      while (p < n && static_cast<unsigned char>(aList[p]) > ' ' && aList[p] != ',') value += aList[p++];
    }
    values.push_back(std::move(value));
    while (p < n && blank(aList[p])) ++p;
    if (p < n && aList[p] == ',') {
      if (p + 1 == n) values.emplace_back();
      do {
        ++p;
      } while (p < n && blank(aList[p]));
    }
  }
  FEnum = std::move(values);
}

std::string TXmlFieldNFe::TextoDica() const {
  const std::string dica = GetDica();
  return dica.empty() ? std::string() : " Dica: " + dica;
}

void TXmlFieldNFe::ValidarConteudo() {
  if (FEnum.empty()) return;
  const std::string text = AsString();
  if (text.empty()) return;
  for (const std::string& value : FEnum) {
    if (SameText(value, text)) return;
  }
  throw ExndDataSetException("Conteúdo %s é inválido para o campo %s [%s].%s",
                             {text, FieldName(), DisplayLabel(), TextoDica()}, "");
}

// ---------------------------------------------------------------- TXmlDataSetNFe

TXmlDataSetNFe::TXmlDataSetNFe(TComponent* aOwner)
    : TClientDataSet(aOwner), FFonteDados(std::make_unique<TDataSource>(nullptr, this)) {}

// The link object goes before the table it points at.
TXmlDataSetNFe::~TXmlDataSetNFe() { FFonteDados.reset(); }

TDataSource& TXmlDataSetNFe::GetFonteDados() const { return *FFonteDados; }
std::string TXmlDataSetNFe::GetNomeGrupo() const { return FNomeGrupo; }
std::string TXmlDataSetNFe::GetCampoChave() const { return FCampoChave; }
std::string TXmlDataSetNFe::GetCampoMestre() const { return FCampoMestre; }
std::string TXmlDataSetNFe::GetNomeMestre() const { return FNomeMestre; }
void TXmlDataSetNFe::SetNomeGrupo(const std::string& aValue) { FNomeGrupo = aValue; }
void TXmlDataSetNFe::SetCampoMestre(const std::string& aValue) { FCampoMestre = aValue; }
void TXmlDataSetNFe::SetNomeMestre(const std::string& aValue) { FNomeMestre = aValue; }
void TXmlDataSetNFe::SetCampoChave(const std::string& aValue) { FCampoChave = aValue; }

void TXmlDataSetNFe::SetFonteDados(std::unique_ptr<TDataSource> aValue) {
  if (!aValue) throw EDatabaseError("A dataset needs a data source");
  FFonteDados = std::move(aValue);
}

// ---------------------------------------------------------------- TxndXMLDataSetNFe

void TXmlDocDeleter::operator()(_xmlDoc* aDoc) const noexcept { xmlFreeDoc(aDoc); }

TxndXMLDataSetNFe::TxndXMLDataSetNFe(TComponent* aOwner) : TComponent(aOwner) {}

// Details go before their masters: the reverse of dictionary order.
TxndXMLDataSetNFe::~TxndXMLDataSetNFe() {
  while (!FListDataSets.empty()) FListDataSets.pop_back();
}

TxndGovUtils& TxndXMLDataSetNFe::GovUtils() {
  if (!FGovUtils) FGovUtils = std::make_unique<TxndGovUtils>();
  return *FGovUtils;
}

std::unique_ptr<TXmlFieldNFe> TxndXMLDataSetNFe::CriarCampo(TXmlDataSetNFe&) {
  return std::make_unique<TXmlFieldNFe>();
}

void TxndXMLDataSetNFe::LerAtributosCampo(_xmlNode* aNode, TXmlFieldNFe& aField) {
  if (HasAttribute(aNode, "tpnode")) aField.SetTpNode(Attribute(aNode, "tpnode"));
  if (HasAttribute(aNode, "enum")) aField.SetEnum(Attribute(aNode, "enum"));
  if (HasAttribute(aNode, "dica")) aField.SetDica(Attribute(aNode, "dica"));
  if (HasAttribute(aNode, "display")) aField.SetDisplayLabel(Attribute(aNode, "display"));
}

bool TxndXMLDataSetNFe::GetMestreDetalhe() const { return FMestreDetalhe; }
TListDataSets& TxndXMLDataSetNFe::GetListDataSets() { return FListDataSets; }
std::string TxndXMLDataSetNFe::GetXMLDicionario() const { return FXMLDicionario; }

void TxndXMLDataSetNFe::SetListDataSets(TListDataSets aList) {
  TListDataSets old = std::move(FListDataSets);
  FListDataSets = std::move(aList);
  while (!old.empty()) old.pop_back();
}

void TxndXMLDataSetNFe::SetXMLDicionario(const std::string& aFileName) {
  FXMLDicionario = NormalizePathSeparators(aFileName);
  if (aFileName.empty()) return;
  SetListDataSets({});
  CarregarDicionario();
}

void TxndXMLDataSetNFe::AtivarMestreDetalhe(bool aAtivo) {
  FMestreDetalhe = aAtivo;
  for (const auto& dataSet : FListDataSets) {
    if (!aAtivo) {
      dataSet->SetMasterSource(nullptr);
      dataSet->SetMasterFields("");
      dataSet->SetIndexFieldNames("");
    } else if (!dataSet->NomeMestre().empty()) {
      TXmlDataSetNFe& master = DataSetPorNome(dataSet->NomeMestre());
      dataSet->SetMasterSource(&master.FonteDados());
      dataSet->SetIndexFieldNames(dataSet->CampoChave());
      dataSet->SetMasterFields(dataSet->CampoMestre());
    }
  }
}

TXmlDocumento TxndXMLDataSetNFe::AbrirDicionario() {
  if (!FileExists(FXMLDicionario)) {
    throw ExndDataSetFileNotFoundException("Arquivo:  %s não encontrado.", {FXMLDicionario},
                                           FDiretorioLogErro);
  }
  try {
    govutils::XmlDocPtr parsed = govutils::ParseXml(ReadFileBytes(FXMLDicionario));
    govutils::RootElement(parsed);
    return TXmlDocumento(parsed.release());
  } catch (const EOleException&) {
    // The parser's reason (malformed, DOCTYPE) is not part of the message.
  } catch (const EInOutError&) {
  }
  throw ExndDataSetLoadTemplateException("Erro no arquivo %s .", {FXMLDicionario}, FDiretorioLogErro);
}

void TxndXMLDataSetNFe::CarregarDicionario() {
  TListDataSets loaded;
  try {
    const TXmlDocumento document = AbrirDicionario();
    std::string nome;
    int tamanho = 0;
    for (xmlNode* node : ChildNodes(xmlDocGetRootElement(document.get()))) {
      auto dataSet = std::make_unique<TXmlDataSetNFe>();
      const std::string name = NodeName(node);
      CheckComponentName(name);
      dataSet->SetName(name);
      const std::vector<xmlNode*> parts = ChildNodes(node);
      if (!parts.empty()) {
        for (xmlNode* fieldNode : ChildNodes(parts[0])) {
          if (HasAttribute(fieldNode, "nome")) {
            nome = Attribute(fieldNode, "nome");
          } else if (nome.empty()) {
            throw ExndDataSetLoadTemplateException("Erro no arquivo %s : o primeiro campo de %s não tem nome.",
                                                   {FXMLDicionario, name}, FDiretorioLogErro);
          }
          if (HasAttribute(fieldNode, "tamanho")) tamanho = StrToInt(Attribute(fieldNode, "tamanho"));
          std::unique_ptr<TXmlFieldNFe> field = CriarCampo(*dataSet);
          field->SetFieldName(nome);
          CheckComponentName(name + nome);
          field->SetName(name + nome);
          field->SetFieldKind(fkData);
          field->SetSize(tamanho);
          field->SetRequired(Flag(fieldNode, "requerido"));
          field->SetTagVazia(Flag(fieldNode, "tagvazia"));
          field->SetVisible(Flag(fieldNode, "visible"));
          TXmlFieldNFe& added = static_cast<TXmlFieldNFe&>(dataSet->AddField(std::move(field)));
          LerAtributosCampo(fieldNode, added);
        }
      }
      if (parts.size() < 2) {
        throw ExndDataSetLoadTemplateException("Erro no arquivo %s .", {FXMLDicionario}, FDiretorioLogErro);
      }
      xmlNode* link = parts[1];
      if (link->type == XML_ELEMENT_NODE && link->properties != nullptr) {
        dataSet->SetNomeMestre(Attribute(link, "mastersource"));
        dataSet->SetCampoMestre(Attribute(link, "masterfield"));
        dataSet->SetCampoChave(Attribute(link, "keyfield"));
      }
      dataSet->CreateDataSet();
      dataSet->BeforePost = [this](TClientDataSet& d) { AoAntesGravar(d); };
      dataSet->BeforeInsert = [this](TClientDataSet& d) { AoAntesIncluir(d); };
      dataSet->AfterInsert = [this](TClientDataSet& d) { AoDepoisIncluir(d); };
      loaded.push_back(std::move(dataSet));
    }
    for (auto& dataSet : loaded) FListDataSets.push_back(std::move(dataSet));
    loaded.clear();
    if (FMestreDetalhe) AtivarMestreDetalhe(true);
  } catch (...) {
    // A failed load leaves no dataset behind, neither half-built nor linked.
    while (!loaded.empty()) loaded.pop_back();
    SetListDataSets({});
    throw;
  }
}

void TxndXMLDataSetNFe::LimparDataSets() {
  // Pending records go first, all of them, so that emptying a master never
  // posts a detail's half-filled record.
  for (const auto& dataSet : FListDataSets) dataSet->Cancel();
  for (const auto& dataSet : FListDataSets) {
    dataSet->Cancel();
    if (dataSet->Active()) dataSet->EmptyDataSet();
    dataSet->Close();
    dataSet->Open();
    if (dataSet->RecordCount() != 0) {
      throw ExndDataSetException("Erro ao Liberar memória para próxima NFe em (%s) ", {dataSet->Name()},
                                 FDiretorioLogErro);
    }
  }
}

std::string TxndXMLDataSetNFe::GerarCampo(TXmlFieldNFe& aField) {
  std::string value = aField.AsString();
  if (!value.empty()) value = GovUtils()->RemoveAllAccents(value);
  if (UpperCase(value) == "NULL" || !aField.Visible()) return {};
  const std::string& fieldName = aField.FieldName();
  const std::string name = fieldName.substr(0, fieldName.find('_'));
  if (value.empty() && !aField.GetTagVazia()) return {};
  // Escaped: a value never changes the structure of the note.
  if (aField.GetTpNode() == "elemento") return "<" + name + ">" + EscapeXml(value) + "</" + name + ">";
  return name + "=\"" + EscapeXml(value) + "\"";
}

std::string TxndXMLDataSetNFe::GerarCampoPorNome(TXmlDataSetNFe& aDataSet, const std::string& aCampo) {
  return GerarCampo(AsXmlField(aDataSet.FieldByName(aCampo)));
}

std::string TxndXMLDataSetNFe::GerarCampos(TXmlDataSetNFe& aDataSet,
                                           const std::vector<std::string>& aCampos) {
  std::string text;
  for (const std::string& campo : aCampos) text += GerarCampoPorNome(aDataSet, campo);
  return text;
}

std::string TxndXMLDataSetNFe::GerarGrupo(TXmlDataSetNFe& aDataSet) {
  bool hasData = false;
  for (const auto& field : aDataSet.Fields()) {
    if (field->Visible() && !field->AsString().empty()) {
      hasData = true;
      break;
    }
  }
  if (!hasData) return {};
  std::string text;
  for (const auto& field : aDataSet.Fields()) text += GerarCampo(AsXmlField(*field));
  const std::string grupo = aDataSet.NomeGrupo();
  return grupo.empty() ? text : "<" + grupo + ">" + text + "</" + grupo + ">";
}

std::string TxndXMLDataSetNFe::ExpandirModelo(const std::string& aModelo) {
  std::string result;
  bool inMacro = false;
  bool haveDataSet = false;
  std::string dataSetName;
  std::string fieldName;
  for (const char c : aModelo) {
    if (c == '@') {
      inMacro = true;
      haveDataSet = false;
      dataSetName.clear();
      fieldName.clear();
    } else if (c == ')') {
      if (inMacro) {
        TXmlDataSetNFe& dataSet = DataSetPorNome(dataSetName);
        result += fieldName == "*" ? GerarGrupo(dataSet) : GerarCampoPorNome(dataSet, fieldName);
      }
      inMacro = false;
    } else if (c == '(') {
      // never copied
    } else if (!inMacro) {
      result += c;
    } else if (!haveDataSet) {
      dataSetName = c;
      haveDataSet = true;
    } else {
      fieldName += c;
    }
  }
  return result;
}

bool TxndXMLDataSetNFe::PossuiDados(TXmlDataSetNFe& aDataSet) {
  const std::string campoMestre = aDataSet.CampoMestre();
  for (const auto& field : aDataSet.Fields()) {
    if (!field->IsNull() && !field->AsString().empty() && field->Visible() &&
        field->FieldName() != "handle" && field->FieldName() != campoMestre) {
      return true;
    }
  }
  return false;
}

int TxndXMLDataSetNFe::ProximoHandle(TXmlDataSetNFe& aDataSet, bool aIncrementar) {
  const std::string& name = aDataSet.Name();
  int index = FHandles.IndexOfName(name);
  if (index < 0) index = FHandles.Add(name + "=0");
  int handle = StrToInt(FHandles.ValueFromIndex(index));
  if (aIncrementar) {
    ++handle;
    FHandles.SetStrings(index, name + "=" + IntToStr(handle));
  }
  return handle;
}

TXmlDataSetNFe& TxndXMLDataSetNFe::DataSetPorNome(std::string_view aNome) {
  const std::string name = UpperCase(aNome);
  for (const auto& dataSet : FListDataSets) {
    if (dataSet->Name() == name) return *dataSet;
  }
  throw ExndDataSetException("Parte %s não encontrada.", {name}, FDiretorioLogErro);
}

void TxndXMLDataSetNFe::IncluirParte(std::string_view aNome) {
  TXmlDataSetNFe& dataSet = DataSetPorNome(aNome);
  if (dataSet.State() == dsEdit || dataSet.State() == dsInsert) {
    if (PossuiDados(dataSet)) {
      dataSet.Post();
    } else {
      dataSet.Cancel();
    }
  }
  dataSet.Append();
}

void TxndXMLDataSetNFe::SalvarParte(std::string_view aNome) {
  TXmlDataSetNFe& dataSet = DataSetPorNome(aNome);
  if (dataSet.State() == dsEdit || dataSet.State() == dsInsert) dataSet.Post();
}

void TxndXMLDataSetNFe::Incluir() {
  try {
    LimparDataSets();
    for (const auto& dataSet : FListDataSets) {
      if (dataSet->NomeMestre().empty()) dataSet->Append();
    }
  } catch (const ExndDataSetException& e) {
    throw ExndNFeDataSetException(e.Message(), "");
  }
}

TXmlFieldNFe& TxndXMLDataSetNFe::CampoPorNome(std::string_view aNome) {
  for (const auto& dataSet : FListDataSets) {
    if (TField* field = dataSet->FindField(aNome)) return AsXmlField(*field);
  }
  throw ExndDataSetFieldNotFoundException("Campo %s não encontrado", {std::string(aNome)}, FDiretorioLogErro);
}

void TxndXMLDataSetNFe::AoAntesGravar(TClientDataSet& aDataSet) {
  for (const auto& item : aDataSet.Fields()) {
    TXmlFieldNFe& field = AsXmlField(*item);
    if (field.Required() && (field.IsNull() || Trim(field.AsString()).empty())) {
      throw ExndDataSetException("O Campo [%s] referente a [%s] deve ser preenchido.%s",
                                 {field.FieldName(), field.DisplayLabel(), field.TextoDica()},
                                 FDiretorioLogErro);
    }
    field.ValidarConteudo();
  }
}

void TxndXMLDataSetNFe::AoAntesIncluir(TClientDataSet& aDataSet) {
  if (!PossuiDados(static_cast<TXmlDataSetNFe&>(aDataSet))) aDataSet.Cancel();
}

void TxndXMLDataSetNFe::AoDepoisIncluir(TClientDataSet& aDataSet) {
  auto& dataSet = static_cast<TXmlDataSetNFe&>(aDataSet);
  dataSet.FieldByName("handle").SetAsInteger(ProximoHandle(dataSet, true));
  if (!dataSet.NomeMestre().empty()) {
    TXmlDataSetNFe& master = DataSetPorNome(dataSet.NomeMestre());
    dataSet.FieldByName(dataSet.CampoChave()).SetAsString(master.FieldByName(dataSet.CampoMestre()).AsString());
  }
}

}  // namespace xnd
