#include "tests/rules/RuleTestNotes.h"

#include <chrono>

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {

namespace {

using namespace std::chrono;

std::string Dicionario() { return ProgramDirectory() + "Templates/vm40/Conversor/NFeDataSets.xml"; }

// The base notes are issued the day before the test clock.
constexpr const char* kDataEmissao = "2026-12-09";

// An amount as the XML writes it: "." and two decimals.
std::string Valor(int aInteiro) { return IntToStr(aInteiro) + ".00"; }

}  // namespace

TxndDataHoraLocal HoraDosTestes() {
  return time_point_cast<milliseconds>(local_days{year{2026} / 12 / 10}) + hours{10};
}

TxndRelogio RelogioFixo(TxndDataHoraLocal aHora) {
  return [aHora]() { return aHora; };
}

TVersaoEsquema EsquemaDoManual(TVersaoManual aVersao) {
  switch (aVersao) {
    case vm40:
      return pl_006j;
    case vm50:
      return pl_006s;
    case vm50a:
      return pl_008a;
    default:
      return pl_005f;
  }
}

std::string IdNFe(const std::string& aData, const std::string& aNNF, const std::string& aMod,
                  const std::string& aTpEmis) {
  return "NFe" + GerarChaveNFeTpEmis(aData, "35", CnpjEmitente, aMod, "1", aNNF, aTpEmis, "12345678");
}

std::string ChaveReferenciada(const std::string& aNNF, const std::string& aMod, const std::string& aCUF,
                              const std::string& aCNPJ) {
  return GerarChaveNFeTpEmis("2026-11-20", aCUF, aCNPJ, aMod, "1", aNNF, "1", "87654321");
}

RuleTestNote::RuleTestNote(TVersaoManual aVersao, int aItens)
    : FMotor(std::make_unique<TxndXMLDataSetNFe>()), FVersao(aVersao) {
  FMotor->SetDiretorioLogErro(FTemp.Path());
  FMotor->SetXMLDicionario(Dicionario());
  FMotor->AtivarMestreDetalhe(true);
  Preencher(aItens);
}

RuleTestNote::~RuleTestNote() = default;

void RuleTestNote::Set(std::string_view aCampo, const std::string& aValor) {
  TXmlFieldNFe& campo = FMotor->CampoPorNome(aCampo);
  if (campo.DataSet()->State() == dsBrowse) campo.DataSet()->Edit();
  campo.SetAsString(aValor);
}

std::string RuleTestNote::Get(std::string_view aCampo) { return FMotor->CampoPorNome(aCampo).AsString(); }

void RuleTestNote::Incluir(std::string_view aGrupo, const Valores& aValores) {
  FMotor->IncluirParte(aGrupo);
  for (const auto& [campo, valor] : aValores) FMotor->CampoPorNome(campo).SetAsString(valor);
  FMotor->SalvarParte(aGrupo);
}

std::string RuleTestNote::Executar(int aModo, const std::string& aExcecoes) {
  TxndControllerRulesNFe controle;
  controle.SetDataSet(FMotor.get());
  controle.SetExcecoesDeRegras(aExcecoes);
  controle.SetVersaoEsquema(EsquemaDoManual(FVersao));
  controle.SetRelogio(RelogioFixo(HoraDosTestes()));
  try {
    controle.ExecutarRegras(aModo);
  } catch (const ExndNFeRuleException& e) {
    return e.Message();
  }
  return "";
}

void RuleTestNote::Preencher(int aItens) {
  const bool layout310 = FVersao == vm50a;
  const std::string id = IdNFe(kDataEmissao);
  FMotor->Incluir();
  const auto preencher = [this](const Valores& aValores) {
    for (const auto& [campo, valor] : aValores) FMotor->CampoPorNome(campo).SetAsString(valor);
  };
  preencher({{"versao_A02", layout310 ? "3.10" : "2.00"}, {"Id_A03", id}});
  preencher({{"cUF_B02", "35"}, {"cNF_B03", "12345678"}, {"natOp_B04", "Venda de mercadoria"},
             {"indPag_B05", "0"}, {"mod_B06", "55"}, {"serie_B07", "1"}, {"nNF_B08", "1"},
             {"tpNF_B11", "1"}, {"cMunFG_B12", "3550308"}, {"tpImp_B21", "1"}, {"tpEmis_B22", "1"},
             {"cDV_B23", id.substr(id.size() - 1)}, {"tpAmb_B24", "2"}, {"finNFe_B25", "1"},
             {"procEmi_B26", "0"}, {"verProc_B27", "1.0"}});
  if (layout310) {
    preencher({{"dhEmi_B09", std::string(kDataEmissao) + "T09:00:00-03:00"}, {"idDest_B11a", "1"},
               {"indFinal_B25a", "0"}, {"indPres_B25b", "1"}});
  } else {
    preencher({{"dEmi_B09", kDataEmissao}});
  }
  preencher({{"CNPJ_C02", CnpjEmitente}, {"xNome_C03", "Emitente de Testes Ltda"}, {"xLgr_C06", "Rua Um"},
             {"nro_C07", "100"}, {"xBairro_C09", "Centro"}, {"cMun_C10", "3550308"}, {"xMun_C11", "Sao Paulo"},
             {"UF_C12", "SP"}, {"cPais_C14", "1058"}, {"xPais_C15", "BRASIL"}, {"IE_C17", "111111111111"},
             {"CRT_C21", "3"}});
  preencher({{"CNPJ_E02", CnpjDestinatario}, {"xNome_E04", "Destinatario de Testes Ltda"},
             {"xLgr_E06", "Avenida Dois"}, {"nro_E07", "200"}, {"xBairro_E09", "Centro"},
             {"cMun_E10", "3509502"}, {"xMun_E11", "Campinas"}, {"UF_E12", "SP"}, {"cPais_E14", "1058"},
             {"xPais_E15", "BRASIL"}, {"IE_E17", "222222222222"}});
  if (layout310) preencher({{"indIEDest_E16a", "1"}});
  for (const char* grupo : {"A", "B", "C", "E"}) FMotor->SalvarParte(grupo);

  // Items of 100.00 each, ICMS 18% on the whole value.
  for (int item = 1; item <= aItens; ++item) {
    FMotor->IncluirParte("H");
    FMotor->CampoPorNome("nItem_H02").SetAsInteger(item);
    FMotor->IncluirParte("I");
    preencher({{"cProd_I02", "P" + IntToStr(item)}, {"xProd_I04", "Produto de testes"}, {"NCM_I05", "73181500"},
               {"CFOP_I08", "5102"}, {"uCom_I09", "UN"}, {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "100.00"},
               {"vProd_I11", "100.00"}, {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"}, {"vUnTrib_I14a", "100.00"},
               {"indTot_I17b", "1"}});
    FMotor->IncluirParte("N");
    preencher({{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"}, {"vBC_N15", "100.00"},
               {"pICMS_N16", "18.00"}, {"vICMS_N17", "18.00"}});
    // PIS and COFINS groups, which every item carries; exempt (CST 07), so no amounts.
    FMotor->IncluirParte("Q");
    preencher({{"CST_Q06", "07"}});
    FMotor->IncluirParte("S");
    preencher({{"CST_S06", "07"}});
    for (const char* grupo : {"I", "N", "Q", "S", "H"}) FMotor->SalvarParte(grupo);
  }

  const std::string total = Valor(100 * aItens);
  const std::string icms = Valor(18 * aItens);
  preencher({{"vBC_W03", total}, {"vICMS_W04", icms}, {"vBCST_W05", "0.00"}, {"vST_W06", "0.00"},
             {"vProd_W07", total}, {"vFrete_W08", "0.00"}, {"vSeg_W09", "0.00"}, {"vDesc_W10", "0.00"},
             {"vII_W11", "0.00"}, {"vIPI_W12", "0.00"}, {"vPIS_W13", "0.00"}, {"vCOFINS_W14", "0.00"},
             {"vOutro_W15", "0.00"}, {"vNF_W16", total}});
  preencher({{"modFrete_X02", "9"}});
  for (const char* grupo : {"W", "X"}) FMotor->SalvarParte(grupo);
}

}  // namespace xnd::test
