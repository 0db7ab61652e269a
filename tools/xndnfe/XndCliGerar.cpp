// xndnfe gerar: notes from JSON or INI descriptions of the entry datasets.
#include "XndCliComum.h"

namespace xnd::cli {

int ComandoGerar(TContexto&) { throw ECliFalha(csEntradaInvalida, "gerar: em construção"); }

}  // namespace xnd::cli
