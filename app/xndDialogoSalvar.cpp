#include "app/xndDialogoSalvar.h"

#include <QFileDialog>
#include <QFileInfo>

#include "events/xndNFeEventos.h"
#include "nfe/xndNFe.h"

namespace xnd::app {

std::string FiltroQt(const std::string& aFiltro) {
  std::string resultado;
  std::size_t inicio = 0;
  while (inicio < aFiltro.size()) {
    std::size_t barra = aFiltro.find('|', inicio);
    const std::string descricao = aFiltro.substr(inicio, barra - inicio);
    std::string padrao;
    if (barra != std::string::npos) {
      const std::size_t fim = aFiltro.find('|', barra + 1);
      padrao = aFiltro.substr(barra + 1, fim - barra - 1);
      barra = fim;
    }
    // Qt reads the patterns from the parentheses of the description.
    std::string item = descricao;
    if (!padrao.empty() && descricao.find('(') == std::string::npos) {
      std::string lista = padrao;
      for (char& c : lista)
        if (c == ';') c = ' ';
      item += " (" + lista + ")";
    }
    if (!resultado.empty()) resultado += ";;";
    resultado += item;
    if (barra == std::string::npos) break;
    inicio = barra + 1;
  }
  return resultado;
}

std::string EscolherArquivoSalvar(QWidget* aParent, const TDialogoSalvarArquivo& aDialogo) {
  QFileDialog dialogo(aParent);
  dialogo.setAcceptMode(QFileDialog::AcceptSave);
  dialogo.setFileMode(QFileDialog::AnyFile);
  dialogo.setOption(QFileDialog::DontConfirmOverwrite, !aDialogo.ConfirmarSobrescrita);
  dialogo.setDefaultSuffix(QString::fromStdString(aDialogo.ExtensaoPadrao));
  dialogo.setNameFilter(QString::fromStdString(FiltroQt(aDialogo.Filtro)));
  if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return {};
  const QString arquivo = dialogo.selectedFiles().constFirst();
  if (aDialogo.ExigirDiretorioExistente && !QFileInfo(arquivo).absoluteDir().exists()) return {};
  return arquivo.toStdString();
}

void InstalarDialogoSalvarPDF(TxndNFe& aNFe, QWidget* aParent) {
  aNFe.SetOnDialogoSalvarPDF([aParent](const TDialogoSalvarArquivo& aDialogo) {
    return EscolherArquivoSalvar(aParent, aDialogo);
  });
}

}  // namespace xnd::app
