// The main window of the desktop tool: a button that lists the signing
// certificates into the list box and writes them to "CERTIFICADOS.TXT".
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <memory>
#include <string>

#include "datasets/xndNFeDataSets.h"
#include "nfe/xndNFe.h"
#include "platform/stringlist.h"

// The item list of a list box: lines added or cleared here are shown at once.
class TListBoxItems : public xnd::TStringList {
 public:
  explicit TListBoxItems(QListWidget* aListBox) : FListBox(aListBox) {}

  int Add(const std::string& aValue) override;
  void Clear() override;
  void SetText(const std::string& aText) override;
  // Every line in Windows-1252 followed by CR LF; the file is replaced.
  void SaveToFileAnsi(const std::string& aFileName) const;

 private:
  QListWidget* FListBox;
};

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* aParent = nullptr);
  ~TForm1() override;

  void Button1Click(QObject* Sender);

  std::unique_ptr<xnd::TxndNFe> xndNFe1;
  // Not used by the window; present for the host code that enters notes.
  std::unique_ptr<xnd::TxndNFeDataSets> xndNFeDataSets1;

  QPushButton* Button1;
  QListWidget* ListBox1;

 private:
  void CriarComponentes();
  void AplicarValoresXndNFe1();
  void AplicarValoresXndNFeDataSets1();

  std::unique_ptr<TListBoxItems> FItensListBox;
};
