// The desktop tool's save-file dialog: the CC-e PDF export of the NF-e
// component asks it for the file name when the host gave none.
#pragma once

#include <string>

class QWidget;

namespace xnd {
class TxndNFe;
struct TDialogoSalvarArquivo;
}  // namespace xnd

namespace xnd::app {

// "Descrição (*.ext)|*.ext|..." as a Qt name filter ("Descrição (*.ext);;...").
std::string FiltroQt(const std::string& aFiltro);

// Shows a modal QFileDialog for aDialogo over aParent; the chosen file name,
// or "" when cancelled (or when the chosen directory does not exist and
// the dialog requires one).
std::string EscolherArquivoSalvar(QWidget* aParent, const TDialogoSalvarArquivo& aDialogo);

// Installs EscolherArquivoSalvar as aNFe's OnDialogoSalvarPDF.
void InstalarDialogoSalvarPDF(TxndNFe& aNFe, QWidget* aParent);

}  // namespace xnd::app
