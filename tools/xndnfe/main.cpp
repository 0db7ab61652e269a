// xndnfe: the NF-e library from a shell. See `xndnfe --help`.
#include <unistd.h>

#include <iostream>

#include "XndCli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> argumentos(argv + 1, argv + argc);
  return xnd::cli::Executar(argumentos, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
