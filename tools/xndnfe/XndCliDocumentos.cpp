// xndnfe danfe, evento and cce.
#include "XndCliComum.h"

namespace xnd::cli {

int ComandoDanfe(TContexto&) { throw ECliFalha(csEntradaInvalida, "danfe: em construção"); }
int ComandoEvento(TContexto&) { throw ECliFalha(csEntradaInvalida, "evento: em construção"); }
int ComandoCCe(TContexto&) { throw ECliFalha(csEntradaInvalida, "cce: em construção"); }

}  // namespace xnd::cli
