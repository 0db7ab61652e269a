// The main window of the desktop tool under the offscreen platform, with a
// fake xndGovX: layout, design-time values, the certificate listing and
// CERTIFICADOS.TXT, and failures shown by the default exception handler.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QtTest/QTest>

#include <QImage>
#include <QListWidget>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <typeinfo>

#include "app/Form1.h"
#include "app/xndApplication.h"
#include "platform/files.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/FakeServersFixture.h"
#include "tests/support/TestPki.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

 private:
  int FArgc = 1;
  char FName[32] = "xndnfe_tests_app";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApp;
};

[[maybe_unused]] ::testing::Environment* const gQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class FormTest : public FakeServersFixture {
 protected:
  void SetUp() override {
    FOldDir = CurrentDirectory();
    ASSERT_EQ(chdir(FTemp.Path().c_str()), 0);
    FPrevious = app::SetExceptionHandler(
        [this](const std::string& aMessage) { FShown.push_back(aMessage); });
    FForm = std::make_unique<TForm1>();
  }
  void TearDown() override {
    FForm.reset();
    app::SetExceptionHandler(FPrevious);
    EXPECT_EQ(chdir(FOldDir.c_str()), 0);
  }

  void Click() { QTest::mouseClick(FForm->Button1, Qt::LeftButton); }
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    for (int i = 0; i < FForm->ListBox1->count(); ++i)
      items.push_back(FForm->ListBox1->item(i)->text().toStdString());
    return items;
  }
  std::string Arquivo() const { return FTemp.Path() + "CERTIFICADOS.TXT"; }
  std::vector<std::string> ProgramLog() const {
    return LogLines(ProgramDirectory() + "nfe_exception.log");
  }

  std::string FOldDir;
  std::vector<std::string> FShown;
  app::TExceptionHandler FPrevious;
  std::unique_ptr<TForm1> FForm;
};

TEST_F(FormTest, LayoutOfTheWindow) {
  TForm1& f = *FForm;
  EXPECT_EQ(f.windowTitle(), "Form1");
  EXPECT_EQ(f.pos(), QPoint(467, 130));
  EXPECT_EQ(f.size(), QSize(721, 274));
  EXPECT_EQ(f.font().family(), "MS Sans Serif");
  EXPECT_EQ(f.font().pixelSize(), 11);
  EXPECT_EQ(f.Button1->text(), "Button1");
  EXPECT_EQ(f.Button1->geometry(), QRect(8, 8, 75, 25));
  EXPECT_EQ(f.ListBox1->geometry(), QRect(8, 40, 673, 177));
  EXPECT_FALSE(f.ListBox1->isSortingEnabled());
  EXPECT_EQ(f.Button1->nextInFocusChain(), f.ListBox1);
  f.ListBox1->addItem("x");
  EXPECT_EQ(f.ListBox1->sizeHintForRow(0), 13);
}

TEST_F(FormTest, DesignTimeValuesAreAppliedWithoutContactingAServer) {
  TxndNFe& n = *FForm->xndNFe1;
  const std::string p = DiretorioAplicacao();
  EXPECT_EQ(n.VersaoManual(), vm50);
  EXPECT_TRUE(n.AnexarDanfePDF());
  EXPECT_EQ(n.DanfeSettings()->FraseContingencia(),
            "DANFE em Contingência - impresso em decorrência de problemas técnicos");
  EXPECT_EQ(n.DanfeSettings()->ModeloRetrato(), "Templates/vm40/Danfe/retrato.rtm");
  EXPECT_EQ(n.DanfeSettings()->InfCplMaxCol(), 80);
  EXPECT_EQ(n.DanfeSettings()->InfCplMaxRow(), 480);
  EXPECT_EQ(n.UF(), "SP");
  EXPECT_EQ(n.TipoCertificado(), ckFile);
  EXPECT_EQ(n.DiretorioTemplates(), p + "Templates/vm50/");
  EXPECT_EQ(n.DiretorioEsquemas(), p + "Esquemas/vm50/");
  EXPECT_EQ(n.ArquivoServidoresHom(), p + "nfeServidoresHom.ini");
  EXPECT_EQ(n.ArquivoServidoresProd(), p + "nfeServidoresProd.ini");
  EXPECT_EQ(n.DiretorioLog(), "Log/");
  EXPECT_TRUE(n.ValidarEsquemaAntesEnvio());
  EXPECT_TRUE(n.ConexaoSegura());
  EXPECT_EQ(n.EmailSettings()->TimeOut(), 30000);
  EXPECT_EQ(n.MaxSizeLoteEnvio(), 500);
  EXPECT_EQ(n.DiretorioLogErro(), "");
  EXPECT_EQ(FGovX.Created + FUtils.Created, 0);
}

TEST_F(FormTest, TheEntryComponentIsReadyFromAnyWorkingDirectory) {
  TxndNFeDataSets& entrada = *FForm->xndNFeDataSets1;
  EXPECT_EQ(entrada.VersaoEsquema(), pl_006f);
  EXPECT_EQ(typeid(entrada.Engine()), typeid(TxndDS_pl006f));
  EXPECT_EQ(entrada.XMLDicionario(), DiretorioAplicacao() + "Templates/vm40/Conversor/NFeDataSets.xml");
  EXPECT_FALSE(entrada.ListDataSets().empty());
  EXPECT_FALSE(entrada.ValidaRegrasNegocio());
  EXPECT_FALSE(entrada.ValidaRegrasNegocioVarno());
  EXPECT_EQ(entrada.State(), dsInactive);
  entrada.Incluir();
  EXPECT_EQ(entrada.State(), dsInsert);
}

TEST_F(FormTest, EachClickReplacesTheListAndTheFile) {
  FForm->show();
  FGovX.Certificates = {"EMPRESA AÇÃO LTDA:12345678000195", "CIA Ω € Nº:98765432000110"};
  Click();
  EXPECT_EQ(Items(), FGovX.Certificates);
  EXPECT_EQ(ReadFileBytes(Arquivo()),
            "EMPRESA A\xC7\xC3O LTDA:12345678000195\r\nCIA ? \x80 N\xBA:98765432000110\r\n");

  FGovX.Certificates = {"OUTRA:1"};
  Click();
  EXPECT_EQ(Items(), FGovX.Certificates);
  EXPECT_EQ(ReadFileBytes(Arquivo()), "OUTRA:1\r\n");

  FGovX.Certificates.clear();
  Click();
  EXPECT_TRUE(Items().empty());
  EXPECT_TRUE(FileExists(Arquivo()));
  EXPECT_EQ(ReadFileBytes(Arquivo()), "");
  EXPECT_TRUE(FShown.empty());
  EXPECT_EQ(FGovX.Log.StartingWith("Sig.CertificateKind="),
            (std::vector<std::string>(3, "Sig.CertificateKind=2")));
}

TEST_F(FormTest, AServerErrorIsShownLoggedAndWritesNoFile) {
  FForm->show();
  FGovX.Certificates = {"EMPRESA:1"};
  Click();
  DeleteFile(Arquivo());
  const std::size_t before = ProgramLog().size();

  FGovX.ListError = "Não foi possível abrir o repositório de certificados";
  Click();
  EXPECT_EQ(FShown,
            std::vector<std::string>{"Não foi possível abrir o repositório de certificados"});
  EXPECT_FALSE(FileExists(Arquivo()));
  EXPECT_EQ(Items(), std::vector<std::string>{"EMPRESA:1"});
  // other test programs may append to the same file meanwhile
  const auto log = ProgramLog();
  const auto novas = std::count_if(
      log.begin() + static_cast<std::ptrdiff_t>(before), log.end(), [](const auto& l) {
        return IsLogLine(l, "ExndCertStoreException",
                         "Não foi possível abrir o repositório de certificados");
      });
  EXPECT_EQ(novas, 1);

  FGovX.ListError.clear();
  Click();
  EXPECT_EQ(ReadFileBytes(Arquivo()), "EMPRESA:1\r\n");
}

TEST_F(FormTest, AServerThatCannotBeCreatedShowsItsOwnMessage) {
  ScopedServerFactory failing(GovXServerName, FailingFactory("Classe não registrada: xndGovX"));
  FForm->show();
  Click();
  EXPECT_EQ(FShown, std::vector<std::string>{"Classe não registrada: xndGovX"});
  EXPECT_FALSE(FileExists(Arquivo()));
}

TEST_F(FormTest, AFileThatCannotBeWrittenIsShownAndTheListKeepsTheNames) {
  FTemp.MakeDir("CERTIFICADOS.TXT");
  FForm->show();
  FGovX.Certificates = {"EMPRESA:1"};
  Click();
  EXPECT_EQ(FShown,
            std::vector<std::string>{"Cannot open file \"CERTIFICADOS.TXT\": Is a directory"});
  EXPECT_EQ(Items(), FGovX.Certificates);
}

// Pixels of aRect that stand out from the region's most common colour: text
// and lines drawn there.
int InkPixels(const QImage& aImage, const QRect& aRect) {
  std::map<QRgb, int> counts;
  for (int y = aRect.top(); y <= aRect.bottom(); ++y)
    for (int x = aRect.left(); x <= aRect.right(); ++x) ++counts[aImage.pixel(x, y)];
  const QRgb background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  int ink = 0;
  for (const auto& [colour, count] : counts) {
    if (std::abs(qGray(colour) - qGray(background)) > 60) ink += count;
  }
  return ink;
}

// What the window shows, read off its pixels: the button's caption, and one
// line of text per listed certificate (none before the click, none below them).
TEST_F(FormTest, TheWindowRenders) {
  FGovX.Certificates = {"EMPRESA TESTE LTDA:12345678000195", "OUTRA EMPRESA SA:98765432000110"};
  FForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(FForm.get()));
  QListWidget& list = *FForm->ListBox1;
  const int rowHeight = 13;
  auto row = [&](int aRow) {
    const QPoint origin = list.viewport()->mapTo(FForm.get(), QPoint(0, aRow * rowHeight));
    return QRect(origin, QSize(list.viewport()->width(), rowHeight));
  };
  const QRect caption = FForm->Button1->geometry().adjusted(6, 6, -6, -6);

  const QImage before = FForm->grab().toImage();
  EXPECT_GT(InkPixels(before, caption), 20);
  EXPECT_EQ(InkPixels(before, row(0)), 0);

  Click();
  const QPixmap shot = FForm->grab();
  const QImage after = shot.toImage();
  ASSERT_EQ(list.count(), 2);
  ASSERT_EQ(list.visualItemRect(list.item(1)).top(), rowHeight);
  EXPECT_GT(InkPixels(after, row(0)), 50);
  EXPECT_GT(InkPixels(after, row(1)), 50);
  EXPECT_EQ(InkPixels(after, row(2)), 0);
  if (const char* destino = std::getenv("XND_SCREENSHOT")) {
    EXPECT_TRUE(shot.save(destino));
  }
}

// The real xndGovX server over a user store holding two PKCS#12 files.
class FormRealServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const TestPki& pki = TestPki::Instance();
    const std::string store = FTemp.MakeDir("data/xndnfe/certificados");
    WriteFileBytes(store + "empresa.pfx", ReadFileBytes(pki.CompanyPfx()));
    WriteFileBytes(store + "outra.pfx", ReadFileBytes(pki.SecondPfx()));
    FOldDir = CurrentDirectory();
    ASSERT_EQ(chdir(FTemp.Path().c_str()), 0);
    FPrevious = app::SetExceptionHandler(
        [this](const std::string& aMessage) { FShown.push_back(aMessage); });
    FForm = std::make_unique<TForm1>();
    FForm->xndNFe1->SetSenhaCertificado(TestPki::Password);
    FForm->show();
  }
  void TearDown() override {
    FForm.reset();
    app::SetExceptionHandler(FPrevious);
    EXPECT_EQ(chdir(FOldDir.c_str()), 0);
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  std::string FOldDir;
  std::vector<std::string> FShown;
  app::TExceptionHandler FPrevious;
  std::unique_ptr<TForm1> FForm;
};

TEST_F(FormRealServerTest, ListsTheCertificatesOfTheUserStore) {
  QTest::mouseClick(FForm->Button1, Qt::LeftButton);
  EXPECT_TRUE(FShown.empty()) << FShown.front();
  ASSERT_EQ(FForm->ListBox1->count(), 2);
  EXPECT_EQ(FForm->ListBox1->item(0)->text().toStdString(), TestPki::CompanyName);
  EXPECT_EQ(FForm->ListBox1->item(1)->text().toStdString(), TestPki::SecondName);
  EXPECT_EQ(ReadFileBytes(FTemp.Path() + "CERTIFICADOS.TXT"),
            std::string(TestPki::CompanyName) + "\r\n" + TestPki::SecondName + "\r\n");
}

}  // namespace
}  // namespace xnd::test
