// xndnfe, the command-line tool over the NF-e component: one subcommand per
// operation a script or a support desk needs, configured by the component's
// own INI file and a few flags. The exit codes are the contract with scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace xnd::cli {

enum TCodigoSaida : int {
  csOk = 0,
  csRejeitado = 1,      // the service (or the schema, for "validar") said no
  csEntradaInvalida = 2,  // bad arguments, configuration, files or certificate
  csSemServico = 3,     // the service could not be reached
};

// Runs one command line (without the program name). aTerminal: stdout is a
// terminal (progress lines are shown on long batches).
int Executar(const std::vector<std::string>& aArgumentos, std::ostream& aSaida,
             std::ostream& aErros, bool aTerminal = false);

}  // namespace xnd::cli
