#include "app/Form1.h"

#include <QFont>
#include <QPalette>
#include <QStyledItemDelegate>

#include "app/xndApplication.h"
#include "app/xndDialogoSalvar.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr const char* ArquivoCertificados = "CERTIFICADOS.TXT";

// Every row of the list box has the same fixed height.
class TItemHeightDelegate : public QStyledItemDelegate {
 public:
  TItemHeightDelegate(int aHeight, QObject* aParent)
      : QStyledItemDelegate(aParent), FHeight(aHeight) {}

  QSize sizeHint(const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const override {
    QSize size = QStyledItemDelegate::sizeHint(aOption, aIndex);
    size.setHeight(FHeight);
    return size;
  }

 private:
  int FHeight;
};

}  // namespace

// ---- TListBoxItems ----

int TListBoxItems::Add(const std::string& aValue) {
  const int index = xnd::TStringList::Add(aValue);
  FListBox->addItem(QString::fromStdString(aValue));
  return index;
}

void TListBoxItems::Clear() {
  xnd::TStringList::Clear();
  FListBox->clear();
}

void TListBoxItems::SetText(const std::string& aText) {
  xnd::TStringList lines;
  lines.SetText(aText);
  Clear();
  for (const std::string& line : lines.Items()) Add(line);
}

void TListBoxItems::SaveToFileAnsi(const std::string& aFileName) const {
  std::string bytes;
  for (const std::string& line : Items()) bytes += xnd::Utf8ToWin1252(line) + "\r\n";
  xnd::WriteFileBytes(aFileName, bytes);
}

// ---- TForm1 ----

TForm1::TForm1(QWidget* aParent) : QWidget(aParent) {
  setWindowTitle("Form1");
  move(467, 130);
  resize(721, 274);
  QFont fonte("MS Sans Serif");
  fonte.setPixelSize(11);
  fonte.setStyleHint(QFont::SansSerif);
  setFont(fonte);
  QPalette cores = palette();
  cores.setColor(QPalette::Window, cores.color(QPalette::Button));
  setPalette(cores);
  setAutoFillBackground(true);
  CriarComponentes();
  AplicarValoresXndNFe1();
  AplicarValoresXndNFeDataSets1();
  // A CC-e exported without a file name asks for one here.
  xnd::app::InstalarDialogoSalvarPDF(*xndNFe1, this);
}

TForm1::~TForm1() = default;

void TForm1::CriarComponentes() {
  xndNFe1 = std::make_unique<xnd::TxndNFe>();
  xndNFe1->SetName("xndNFe1");
  xndNFeDataSets1 = std::make_unique<xnd::TxndNFeDataSets>();
  xndNFeDataSets1->SetName("xndNFeDataSets1");

  Button1 = new QPushButton("Button1", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(8, 8, 75, 25);
  connect(Button1, &QPushButton::clicked, this,
          [this] { xnd::app::RunGuarded([this] { Button1Click(Button1); }); });

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setGeometry(8, 40, 673, 177);
  ListBox1->setSortingEnabled(false);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setItemDelegate(new TItemHeightDelegate(13, ListBox1));
  FItensListBox = std::make_unique<TListBoxItems>(ListBox1);

  setTabOrder(Button1, ListBox1);
}

void TForm1::AplicarValoresXndNFe1() {
  using namespace xnd;
  TxndNFe& nfe = *xndNFe1;
  nfe.SetVersaoManual(vm50);
  nfe.SetAnexarDanfePDF(true);
  TDanfeSettings& danfe = *nfe.DanfeSettings();
  danfe.SetFraseContingencia(
      "DANFE em Contingência - impresso em decorrência de problemas técnicos");
  danfe.SetFraseHomologacao("SEM VALOR FISCAL");
  danfe.SetModeloRetrato("Templates/vm40/Danfe/retrato.rtm");
  danfe.SetModeloPaisagem("Templates/vm40/Danfe/paisagem.rtm");
  danfe.SetQtdeCopias(1);
  danfe.SetLineDelimiter("|");
  danfe.SetInfCplMaxCol(80);
  danfe.SetInfCplMaxRow(480);
  danfe.SetImprimirVolume(false);
  danfe.SetImprimirDuplicata(true);
  danfe.SetImprimirUnidadeTributada(false);
  nfe.SetUF("SP");
  nfe.SetVersao("5.7.10.27457");
  nfe.SetCaracteresRemoverAcentos(TxndCustomNFe::CaracteresRemoverAcentosPadrao);
  nfe.SetTipoCertificado(ckFile);
  nfe.SetDiretorioTemplates("Templates/vm50/");
  nfe.SetIgnoreInvalidCertificates(false);
  nfe.SetArquivoServidoresHom("nfeServidoresHom.ini");
  nfe.SetArquivoServidoresProd("nfeServidoresProd.ini");
  nfe.SetDiretorioLog("Log/");
  nfe.SetAmbiente(akHomologacao);
  nfe.SetValidarEsquemaAntesEnvio(true);
  TxndEmailSettings& email = *nfe.EmailSettings();
  email.SetAutenticacao(false);
  email.SetTimeOut(30000);
  email.SetConteudoHtml(false);
  nfe.SetDiretorioEsquemas("Esquemas/vm50/");
  nfe.SetConexaoSegura(true);
  nfe.SetTimeOut(0);
  nfe.SetModoOperacao(moNormal);
  nfe.SetEntregaXML(exEmail);
  nfe.SetDiretorioXmlDestinatario("XmlDestinatario/");
  nfe.SetMaxSizeLoteEnvio(500);
  nfe.SetDanfeSimplificado(false);
}

// In the order a form sets them: the package replaces the engine, then the
// dictionary (beside the program, whatever the working directory) replaces it
// again and is loaded. A missing dictionary stops the form's creation.
void TForm1::AplicarValoresXndNFeDataSets1() {
  using namespace xnd;
  TxndNFeDataSets& entrada = *xndNFeDataSets1;
  entrada.SetVersaoEsquema(pl_006f);
  entrada.SetXMLDicionario(DicionarioNFeInstalado());
  entrada.SetValidaRegrasNegocio(false);
  entrada.SetValidaRegrasNegocioVarno(false);
}

void TForm1::Button1Click(QObject* /*Sender*/) {
  xndNFe1->ListarCertificados(FItensListBox.get());
  FItensListBox->SaveToFileAnsi(ArquivoCertificados);
}
