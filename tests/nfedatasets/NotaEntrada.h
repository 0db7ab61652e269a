// A valid note entered through the entry component as a host enters it:
// Incluir, the note-level groups written into the records Incluir appended,
// the items appended group by group. It passes the manual's rule set of its
// layout (2.00 for manual 5.0, 3.10 for 5.0a) under the real clock: it is
// issued the day before today.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "datasets/xndNFeDataSets.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::test {

inline std::string DicionarioInstalado() {
  return ProgramDirectory() + "Templates/vm40/Conversor/NFeDataSets.xml";
}

// Yesterday's local date, "YYYY-MM-DD".
inline std::string DataDeOntem() {
  using namespace std::chrono;
  const std::time_t ontem = system_clock::to_time_t(system_clock::now() - hours{24});
  std::tm local{};
  localtime_r(&ontem, &local);
  char texto[11];
  std::strftime(texto, sizeof texto, "%Y-%m-%d", &local);
  return texto;
}

// Writes fields of the current record of the datasets that hold them.
inline void Escrever(TxndNFeDataSets& aEntrada, const std::vector<std::pair<std::string, std::string>>& aValores) {
  for (const auto& [campo, valor] : aValores) {
    TXmlFieldNFe& field = aEntrada.Engine().CampoPorNome(campo);
    if (field.DataSet()->State() == dsBrowse) field.DataSet()->Edit();
    field.SetAsString(valor);
  }
}

// Incluir and one note numbered aNumero with aItens items of 100.00 (ICMS
// 18%); layout 3.10 when aLayout310, else 2.00. Not saved.
inline void EntrarNota(TxndNFeDataSets& aEntrada, int aNumero, int aItens, bool aLayout310) {
  const std::string data = DataDeOntem();
  aEntrada.Incluir();
  Escrever(aEntrada, {{"versao_A02", aLayout310 ? "3.10" : "2.00"}});
  Escrever(aEntrada,
           {{"cUF_B02", "35"}, {"cNF_B03", IntToStr(10000000 + aNumero)}, {"natOp_B04", "Venda de mercadoria"},
            {"indPag_B05", "0"}, {"mod_B06", "55"}, {"serie_B07", "1"}, {"nNF_B08", IntToStr(aNumero)},
            {"tpNF_B11", "1"}, {"cMunFG_B12", "3550308"}, {"tpImp_B21", "1"}, {"tpEmis_B22", "1"},
            {"tpAmb_B24", "2"}, {"finNFe_B25", "1"}, {"procEmi_B26", "0"}, {"verProc_B27", "1.0"}});
  if (aLayout310) {
    Escrever(aEntrada, {{"dhEmi_B09", data + "T09:00:00-03:00"}, {"idDest_B11a", "1"}, {"indFinal_B25a", "0"},
                        {"indPres_B25b", "1"}});
  } else {
    Escrever(aEntrada, {{"dEmi_B09", data}});
  }
  Escrever(aEntrada, {{"CNPJ_C02", "11222333000181"}, {"xNome_C03", "Emitente de Testes Ltda"},
                      {"xLgr_C06", "Rua Um"}, {"nro_C07", "100"}, {"xBairro_C09", "Centro"},
                      {"cMun_C10", "3550308"}, {"xMun_C11", "Sao Paulo"}, {"UF_C12", "SP"}, {"CEP_C13", "01001000"},
                      {"cPais_C14", "1058"}, {"xPais_C15", "BRASIL"}, {"IE_C17", "111111111111"},
                      {"CRT_C21", "3"}});
  Escrever(aEntrada, {{"CNPJ_E02", "11444777000161"}, {"xNome_E04", "Destinatario de Testes Ltda"},
                      {"xLgr_E06", "Avenida Dois"}, {"nro_E07", "200"}, {"xBairro_E09", "Centro"},
                      {"cMun_E10", "3509502"}, {"xMun_E11", "Campinas"}, {"UF_E12", "SP"}, {"CEP_E13", "13010000"},
                      {"cPais_E14", "1058"}, {"xPais_E15", "BRASIL"}, {"IE_E17", "222222222222"}});
  if (aLayout310) Escrever(aEntrada, {{"indIEDest_E16a", "1"}});
  TxndNFeCustomDataSet& engine = aEntrada.Engine();
  for (int item = 1; item <= aItens; ++item) {
    engine.IncluirParte("H");
    Escrever(aEntrada, {{"nItem_H02", IntToStr(item)}});
    engine.IncluirParte("I");
    Escrever(aEntrada, {{"cProd_I02", "P" + IntToStr(item)}, {"xProd_I04", "Produto de testes"},
                        {"NCM_I05", "73181500"}, {"CFOP_I08", "5102"}, {"uCom_I09", "UN"},
                        {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "100.00"}, {"vProd_I11", "100.00"},
                        {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"}, {"vUnTrib_I14a", "100.00"},
                        {"indTot_I17b", "1"}});
    engine.IncluirParte("N");
    Escrever(aEntrada, {{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"}, {"vBC_N15", "100.00"},
                        {"pICMS_N16", "18.00"}, {"vICMS_N17", "18.00"}});
    engine.IncluirParte("Q");
    Escrever(aEntrada, {{"CST_Q06", "07"}});
    engine.IncluirParte("S");
    Escrever(aEntrada, {{"CST_S06", "07"}});
    for (const char* grupo : {"I", "N", "Q", "S", "H"}) engine.SalvarParte(grupo);
  }
  const std::string total = IntToStr(100 * aItens) + ".00";
  const std::string icms = IntToStr(18 * aItens) + ".00";
  Escrever(aEntrada, {{"vBC_W03", total}, {"vICMS_W04", icms}, {"vBCST_W05", "0.00"}, {"vST_W06", "0.00"},
                      {"vProd_W07", total}, {"vFrete_W08", "0.00"}, {"vSeg_W09", "0.00"},
                      {"vDesc_W10", "0.00"}, {"vII_W11", "0.00"}, {"vIPI_W12", "0.00"},
                      {"vPIS_W13", "0.00"}, {"vCOFINS_W14", "0.00"}, {"vOutro_W15", "0.00"},
                      {"vNF_W16", total}});
  if (aLayout310) Escrever(aEntrada, {{"vICMSDeson_W04a", "0.00"}});
  Escrever(aEntrada, {{"modFrete_X02", "9"}});
}

// A component of package aVersao with the shipped dictionary (or aDicionario).
inline void Configurar(TxndNFeDataSets& aEntrada, TVersaoEsquema aVersao, const std::string& aDicionario = "") {
  aEntrada.SetVersaoEsquema(aVersao);
  aEntrada.SetXMLDicionario(aDicionario.empty() ? DicionarioInstalado() : aDicionario);
}

}  // namespace xnd::test
