#include "datasets/xndNFeDataSetVersoes.h"

#include "platform/files.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

template <class T>
std::unique_ptr<TxndNFeCustomDataSet> Criar(TComponent* aOwner) {
  return std::make_unique<T>(aOwner);
}

}  // namespace

std::string DicionarioNFeInstalado() {
  return ProgramDirectory() + "Templates/vm40/Conversor/NFeDataSets.xml";
}

// Indexed by the TVersaoEsquema ordinal.
std::unique_ptr<TxndNFeCustomDataSet> CriarEngineNFe(TVersaoEsquema aVersao, TComponent* aOwner) {
  using TCriador = std::unique_ptr<TxndNFeCustomDataSet> (*)(TComponent*);
  static constexpr TCriador kCriadores[] = {
      Criar<TxndDS_pl005a>, Criar<TxndDS_pl005b>, Criar<TxndDS_pl005c>, Criar<TxndDS_pl005d>,
      Criar<TxndDS_pl005f>, Criar<TxndDS_pl006e>, Criar<TxndDS_pl006f>, Criar<TxndDS_pl006g>,
      Criar<TxndDS_pl006i>, Criar<TxndDS_pl006j>, Criar<TxndDS_pl006m>, Criar<TxndDS_pl006n>,
      Criar<TxndDS_pl006p>, Criar<TxndDS_pl006q>, Criar<TxndDS_pl006r>, Criar<TxndDS_pl006s>,
      Criar<TxndDS_pl008a>};
  static_assert(std::size(kCriadores) == pl_008a + 1, "one engine per schema package");
  const auto ordinal = static_cast<std::size_t>(aVersao);
  if (ordinal >= std::size(kCriadores)) {
    throw ExndNFeDataSetException("Versão de esquema %d não suportada.", {static_cast<int>(ordinal)}, "");
  }
  return kCriadores[ordinal](aOwner);
}

}  // namespace xnd
