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

// Runs aAcao on the save dialog shown while the object lives (however long
// the export takes to open it), again at every tick while it stays open: on a
// busy machine the dialog's file model may not have taken the chosen name yet,
// and an accept it ignores must not leave the dialog waiting for ever.
class AoAbrirDialogo {
 public:
  explicit AoAbrirDialogo(std::function<void(QFileDialog&)> aAcao) {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [acao = std::move(aAcao)] {
      if (auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
        acao(*dialogo);
    });
    FTimer.start();
  }

 private:
  QTimer FTimer;
};

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
  {
    const AoAbrirDialogo cancelar([&](QFileDialog& aDialogo) {
      if (visto) {  // already checked; only close it
        aDialogo.reject();
        return;
      }
      visto = true;
      EXPECT_EQ(aDialogo.acceptMode(), QFileDialog::AcceptSave);
      EXPECT_EQ(aDialogo.defaultSuffix(), "pdf");
      EXPECT_EQ(aDialogo.nameFilters(), QStringList{"Arquivo PDF (*.pdf)"});
      aDialogo.reject();
    });
    nfe.ExportarCCePDF(cce, "");
  }
  EXPECT_TRUE(visto);

  // The default suffix completes a name typed without one.
  {
    const AoAbrirDialogo escolher([&](QFileDialog& aDialogo) {
      // selectFile leaves the name box alone while it has the keyboard focus,
      // which the shown dialog gives it sooner or later: take the focus away.
      if (QWidget* foco = aDialogo.focusWidget()) foco->clearFocus();
      aDialogo.selectFile(QString::fromStdString(dir.File("carta")));
      static_cast<QDialog&>(aDialogo).accept();
    });
    nfe.ExportarCCePDF(cce, "");
  }
  EXPECT_TRUE(ReadFileBytes(dir.File("carta.pdf")).starts_with("%PDF-"));
  EXPECT_FALSE(FileExists(dir.File("nfeeventos_exception.log")));
}

}  // namespace
}  // namespace xnd::test
