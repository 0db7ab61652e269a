// The fixture of the xndnfe tests: a configuration file pointing at a
// temporary folder, the program run as a separate process (stdout, stderr
// and exit code read) or through its in-process entry point.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "XndCli.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace xnd::test {

struct TResultado {
  int Codigo = -1;
  std::string Saida;
  std::string Erros;
};

class CliTeste : public ::testing::Test {
 protected:
  void SetUp() override {
    FConfig = FTemp.Write("nfeConfig.ini",
                          "[NFE]\nUF=SP\nVersaoManual=5.0a\nAmbiente=2\n"
                          "ArquivoServidoresHom=" + Servidores() + "\n"
                          "CaminhoCertificado=" + TestPki::Instance().CompanyPfx() + "\n"
                          "DiretorioLog=" + FTemp.Path() + "Log/\n"
                          "DiretorioLogErro=" + FTemp.Path() + "erros/\n"
                          "DiretorioEsquemas=" + FTemp.Path() + "Esquemas/\n");
  }

  std::string Servidores() const { return FTemp.Path() + "nfeServidoresHom.ini"; }

  // The national 3.10 package where the configuration points.
  bool InstalarEsquemas() {
    namespace fs = std::filesystem;
    const fs::path pacote = fs::path(XND_SHARED_DIR) / "schemas" / "PL_008i2";
    if (!fs::is_directory(pacote)) return false;
    const fs::path destino = fs::path(FTemp.MakeDir("Esquemas/vm50a"));
    for (const auto& e : fs::directory_iterator(pacote)) fs::copy(e.path(), destino);
    fs::copy(fs::path(ProgramDirectory()) / "Esquemas/vm50a/Mapping.txt", destino);
    // The event packages, each in a folder of its name, as Mapping.txt says.
    for (const char* evento : {"Evento_Generico_PL_v1.01", "Evento_CCe_PL_v1.01", "Evento_Canc_PL_v1.01"}) {
      const fs::path origem = fs::path(XND_SHARED_DIR) / "schemas" / evento;
      if (fs::is_directory(origem)) fs::copy(origem, destino / evento);
    }
    return true;
  }

  // The program itself, with --config first.
  TResultado Rodar(std::vector<std::string> aArgs) const {
    aArgs.insert(aArgs.begin(), {XND_CLI, "--config", FConfig});
    const std::string saida = FTemp.Path() + "stdout", erros = FTemp.Path() + "stderr";
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, 1, saida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&acoes, 2, erros.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& a : aArgs) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    TResultado r;
    const int falha = posix_spawn(&pid, argv[0], &acoes, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&acoes);
    if (falha != 0) return r;
    int estado = 0;
    waitpid(pid, &estado, 0);
    r.Codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    r.Saida = ReadFileBytes(saida);
    r.Erros = ReadFileBytes(erros);
    return r;
  }

  // The in-process entry point.
  TResultado Executar(const std::vector<std::string>& aArgs) const {
    std::ostringstream saida, erros;
    TResultado r;
    r.Codigo = cli::Executar(aArgs, saida, erros);
    r.Saida = saida.str();
    r.Erros = erros.str();
    return r;
  }

  std::string Lote(int aNotas) {
    std::string lote = "<lote>";
    for (int i = 1; i <= aNotas; ++i) {
      std::string chave;
      lote += NFeWrapper + RenumberedNote(i, chave) + "</NFe>";
      FChaves.push_back(chave);
    }
    return FTemp.Write("lote.xml", lote + "</lote>");
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  ScopedEnv FSenha{"XNDNFE_SENHA_CERTIFICADO", TestPki::Password};
  std::string FConfig;
  std::vector<std::string> FChaves;
};

}  // namespace xnd::test
