// The desktop tool's save dialog for the CC-e PDF export, under the
// offscreen platform with the real servers: the form installs it on
// xndNFe1, and a name chosen in it (or a cancel) decides the output.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>
#include <string>

#include "app/Form1.h"
#include "app/xndDialogoSalvar.h"
#include "events/xndNFeEventos.h"
#include "platform/files.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

// Runs aAcao on the save dialog as soon as it is shown (at most ~5 s).
void QuandoDialogoAbrir(const std::function<void(QFileDialog&)>& aAcao, int aTentativas = 500) {
  QTimer::singleShot(10, [aAcao, aTentativas] {
    if (auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      aAcao(*dialogo);
    } else if (aTentativas > 0) {
      QuandoDialogoAbrir(aAcao, aTentativas - 1);
    }
  });
}

TEST(DialogoSalvarTest, FilterTextsBecomeQtNameFilters) {
  EXPECT_EQ(app::FiltroQt("Arquivo PDF (*.pdf)|*.pdf"), "Arquivo PDF (*.pdf)");
  EXPECT_EQ(app::FiltroQt("Arquivo PDF|*.pdf|Todos|*.*"), "Arquivo PDF (*.pdf);;Todos (*.*)");
  EXPECT_EQ(app::FiltroQt("Imagens|*.png;*.jpg"), "Imagens (*.png *.jpg)");
}

TEST(DialogoSalvarTest, AnExportChosenInTheFormsDialogWritesThePdf) {
  TempDir dir;
  TForm1 form;
  TxndNFe& nfe = *form.xndNFe1;
  nfe.SetDiretorioLogErro(dir.Path());
  const std::string cce = SharedFixture("cce_procEventoNFe_135.xml");

  bool visto = false;
  QuandoDialogoAbrir([&](QFileDialog& aDialogo) {
    visto = true;
    EXPECT_EQ(aDialogo.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(aDialogo.defaultSuffix(), "pdf");
    EXPECT_EQ(aDialogo.nameFilters(), QStringList{"Arquivo PDF (*.pdf)"});
    aDialogo.reject();
  });
  nfe.ExportarCCePDF(cce, "");
  EXPECT_TRUE(visto);

  // The default suffix completes a name typed without one.
  QuandoDialogoAbrir([&](QFileDialog& aDialogo) {
    aDialogo.selectFile(QString::fromStdString(dir.File("carta")));
    static_cast<QDialog&>(aDialogo).accept();
  });
  nfe.ExportarCCePDF(cce, "");
  EXPECT_TRUE(ReadFileBytes(dir.File("carta.pdf")).starts_with("%PDF-"));
  EXPECT_FALSE(FileExists(dir.File("nfeeventos_exception.log")));
}

}  // namespace
}  // namespace xnd::test
