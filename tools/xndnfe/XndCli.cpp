// xndnfe: command line, configuration of the component, dispatch, and the
// mapping of every failure to one line on stderr and its exit code.
#include "XndCli.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>

#include "XndCliComum.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::cli {

namespace {

constexpr const char* Uso =
    "Uso: xndnfe [opções] <comando> [argumentos]\n"
    "\n"
    "Comandos:\n"
    "  status                 situação do serviço de autorização da UF\n"
    "  certificados           lista os certificados de assinatura disponíveis\n"
    "  validar ARQUIVO        valida uma NF-e, um lote, um nfeProc ou um lote de eventos\n"
    "                         contra o seu esquema\n"
    "  assinar LOTE           assina as notas de um lote\n"
    "  enviar LOTE            assina (se preciso), valida, envia o lote e consulta o\n"
    "                         recibo até o processamento, respeitando a espera pedida\n"
    "  recibo NUMERO          consulta o processamento de um lote\n"
    "  consultar CHAVE        consulta a situação de uma NF-e\n"
    "  nfeproc NFE PROTOCOLO  monta o documento de distribuição (nfeProc)\n"
    "  gerar DESCRICAO...     gera as notas de descrições JSON ou INI dos campos, com as\n"
    "                         regras de negócio do manual\n"
    "  danfe ARQUIVO          exporta (PDF, PNG) ou imprime o DANFE de uma NF-e\n"
    "  evento cce|cancelar    registra uma carta de correção ou um cancelamento\n"
    "  cce ARQUIVO            exporta (PDF) ou imprime uma carta de correção registrada\n"
    "\n"
    "Opções comuns (valem sobre o arquivo de configuração):\n"
    "  --config ARQUIVO       arquivo INI do componente (as chaves de LoadConfig)\n"
    "  --secao NOME           seção do arquivo (padrão NFE)\n"
    "  --uf UF                UF do emitente\n"
    "  --versao VERSAO        versão do manual: 2.0.2a, 3.0, 4.0, 5.0 ou 5.0a\n"
    "  --ambiente AMBIENTE    homologacao ou producao\n"
    "  --servidores ARQUIVO   lista de servidores do ambiente\n"
    "  --certificado ARQUIVO  certificado A1 (PKCS#12)\n"
    "  --senha SENHA          senha do certificado (prefira a variável\n"
    "                         XNDNFE_SENHA_CERTIFICADO: a linha de comando é visível)\n"
    "  --esquemas PASTA       pasta dos esquemas nacionais (com as pastas vmXX)\n"
    "  --log PASTA            pasta dos logs de operação\n"
    "  --json                 saída em JSON\n"
    "  --help                 esta ajuda; `xndnfe COMANDO --help` a de um comando\n"
    "\n"
    "Códigos de saída: 0 sucesso, 1 rejeitado pelo serviço (ou inválido, em validar),\n"
    "2 entrada inválida, 3 serviço inacessível.\n";

struct TDefinicaoComando {
  const char* Nome;
  std::function<int(TContexto&)> Executar;
  std::size_t MinPosicionais;
  std::size_t MaxPosicionais;
  std::set<std::string> Opcoes;  // the options of its own
  const char* Ajuda;
};

const std::vector<TDefinicaoComando>& Comandos() {
  static const std::vector<TDefinicaoComando> comandos = {
      {"status", ComandoStatus, 0, 0, {},
       "Uso: xndnfe status\n\nConsulta a situação do serviço de autorização da UF configurada.\n"
       "Saída: cStat - xMotivo. Sai com 1 quando o serviço não está em operação (cStat 107).\n"},
      {"certificados", ComandoCertificados, 0, 0, {},
       "Uso: xndnfe certificados\n\nLista os certificados de assinatura disponíveis, um por "
       "linha.\n"},
      {"validar", ComandoValidar, 1, 1, {},
       "Uso: xndnfe validar ARQUIVO\n\nValida o documento contra o esquema nacional da versão "
       "configurada\n(NFe, enviNFe, nfeProc ou envEvento). Sai com 1 quando é inválido e lista "
       "os erros.\n"},
      {"assinar", ComandoAssinar, 1, 1, {"-o"},
       "Uso: xndnfe assinar LOTE [-o SAIDA]\n\nAssina cada nota do lote (elementos infNFe, "
       "de 1 a 50) e escreve o lote assinado\nem SAIDA ou na saída padrão.\n"},
      {"enviar", ComandoEnviar, 1, 1, {"--lote", "--saida", "--sem-validar", "--tentativas"},
       "Uso: xndnfe enviar LOTE [--lote ID] [--saida PASTA] [--sem-validar] [--tentativas N]\n\n"
       "Assina as notas ainda não assinadas, valida o pedido contra o esquema (salvo com\n"
       "--sem-validar), envia o lote e consulta o recibo, esperando o tempo que o serviço\n"
       "pede (tMed) entre as consultas, até N vezes (padrão 10) enquanto o lote está em\n"
       "processamento. Com --saida, grava o nfeProc de cada nota autorizada em\n"
       "PASTA/CHAVE-nfeProc.xml. Sai com 1 quando alguma nota não foi autorizada.\n"},
      {"recibo", ComandoRecibo, 1, 1, {},
       "Uso: xndnfe recibo NUMERO\n\nConsulta o processamento do lote do recibo. Sai com 1 "
       "quando o lote não foi\nprocessado ou alguma nota não foi autorizada.\n"},
      {"consultar", ComandoConsultar, 1, 1, {},
       "Uso: xndnfe consultar CHAVE\n\nConsulta a situação da NF-e. Sai com 1 quando ela não "
       "está autorizada.\n"},
      {"nfeproc", ComandoNFeProc, 2, 2, {"-o"},
       "Uso: xndnfe nfeproc NFE PROTOCOLO [-o SAIDA]\n\nJunta a NF-e assinada (ou o lote "
       "assinado que a contém) e o seu protocolo de\nautorização (um protNFe ou a resposta de "
       "recibo ou consulta que o contém)\nno documento de distribuição nfeProc.\n"},
      {"gerar", ComandoGerar, 1, 50, {"-o", "--esquema", "--sem-regras", "--excecoes"},
       "Uso: xndnfe gerar DESCRICAO... [-o SAIDA] [--esquema PACOTE] [--sem-regras]\n"
       "                   [--excecoes REGRAS]\n\n"
       "Gera uma nota por descrição (um arquivo JSON pode descrever várias) pelo componente\n"
       "de entrada: os campos de cada grupo são digitados nos datasets, as regras de negócio\n"
       "do manual conferem a nota e o XML é gerado com a sua chave de acesso. Escreve o lote\n"
       "(elementos NFe, pronto para assinar ou enviar) em SAIDA ou na saída padrão; com -o,\n"
       "mostra a chave de cada nota (\"CHAVE gerada\"). Nada é gravado se uma nota falha.\n"
       "Com --json: {\"notas\": [{\"chNFe\", \"arquivo\", \"nota\" (a posição no arquivo)}]} e\n"
       "\"saida\" (com -o) ou \"lote\" (o lote gerado).\n"
       "\n"
       "JSON: {\"B\": {\"natOp_B04\": \"Venda\"}, \"H\": [{\"nItem_H02\": \"1\", \"I\": {...}}],\n"
       "       \"X\": {\"modFrete_X02\": \"0\", \"VOL\": [{...}]}}, ou {\"notas\": [{...}, {...}]}.\n"
       "      Uma chave que nomeia um grupo (no topo, um grupo da nota; num registro, um\n"
       "      detalhe do seu grupo) abre registros: um objeto é um registro, uma lista vários.\n"
       "      As demais são campos; os valores são textos (números valem como escritos).\n"
       "INI:  uma nota; uma seção por registro, com o caminho dos grupos e o número do\n"
       "      registro (1 quando omitido): [B], [H:2/N], [X/VOL:1/LACRE:2]; chaves = campos.\n"
       "Os nomes são exatos, como no dicionário. A data de emissão deixada vazia (dhEmi_B09;\n"
       "dEmi_B09 antes do leiaute 3.10) é a do momento da geração, no fuso da UF. Os campos\n"
       "preenchidos que a nota gerada não leva (de outro leiaute, ou que o CST não leva) são\n"
       "listados num aviso na saída de erros.\n"
       "\n"
       "PACOTE: o pacote de esquemas do leiaute, pl_005a a pl_008a (padrão: o mais novo do\n"
       "manual configurado).\n"
       "REGRAS: regras a não conferir, separadas por \";\"; --sem-regras não confere nenhuma.\n"
       "Sai com 1 quando uma regra de negócio rejeita uma nota.\n"},
      {"danfe", ComandoDanfe, 1, 1,
       {"-o", "--png", "--imprimir", "--impressora", "--copias", "--logotipo"},
       "Uso: xndnfe danfe ARQUIVO [-o SAIDA.pdf] [--png] [--imprimir] [--impressora NOME]\n"
       "                  [--copias N] [--logotipo IMAGEM]\n\n"
       "DANFE da NF-e de ARQUIVO (o nfeProc autorizado, ou a NF-e): com -o, exporta o PDF\n"
       "(e, com --png, uma imagem PNG por página, SAIDA-1.png ...); com --imprimir, imprime na\n"
       "impressora padrão do CUPS ou na de --impressora (um destino do CUPS ou um endereço\n"
       "ipp://). O modelo, as frases e o logotipo vêm da configuração (seção DANFE).\n"},
      {"evento", ComandoEvento, 3, 3, {"-o", "--seq", "--lote", "--protocolo", "--sem-validar"},
       "Uso: xndnfe evento cce NOTA CORRECAO [--seq N] [-o SAIDA]\n"
       "     xndnfe evento cancelar NOTA JUSTIFICATIVA [--protocolo NPROT] [-o SAIDA]\n\n"
       "Assina, valida (salvo com --sem-validar) e envia o evento da NF-e: a carta de correção\n"
       "(CORRECAO, de 15 a 1000 caracteres; N é o número da correção, padrão 1) ou o\n"
       "cancelamento (JUSTIFICATIVA, de 15 a 255 caracteres). NOTA é o nfeProc da nota ou a\n"
       "sua chave de acesso; o cancelamento de uma chave pede o protocolo de autorização em\n"
       "--protocolo. O documento de distribuição do evento registrado (procEventoNFe) é\n"
       "gravado em SAIDA (padrão, na pasta atual: CHAVE-cce-N-procEventoNFe.xml ou\n"
       "CHAVE-canc-procEventoNFe.xml). Sai com 1 quando o serviço não registra o evento.\n"},
      {"cce", ComandoCCe, 1, 1, {"-o", "--imprimir", "--impressora", "--copias", "--logotipo"},
       "Uso: xndnfe cce ARQUIVO [-o SAIDA.pdf] [--imprimir] [--impressora NOME] [--copias N]\n"
       "                [--logotipo IMAGEM]\n\n"
       "Exporta em PDF (-o) ou imprime (--imprimir, na impressora padrão ou na de\n"
       "--impressora) a carta de correção registrada de ARQUIVO (o procEventoNFe gravado por\n"
       "xndnfe evento cce).\n"},
  };
  return comandos;
}

const std::set<std::string> OpcoesComuns = {"--config",     "--secao", "--uf",       "--versao",
                                            "--ambiente",   "--servidores", "--certificado",
                                            "--senha",      "--esquemas",   "--log"};
const std::set<std::string> OpcoesSemValor = {"--json",       "--help", "-h",      "--sem-validar",
                                              "--sem-regras", "--png",  "--imprimir"};

TLinhaComando Analisar(const std::vector<std::string>& aArgs) {
  TLinhaComando linha;
  for (std::size_t i = 0; i < aArgs.size(); ++i) {
    const std::string& a = aArgs[i];
    if (a == "--json") {
      linha.Json = true;
    } else if (a == "--help" || a == "-h") {
      linha.Ajuda = true;
    } else if (OpcoesSemValor.count(a) != 0) {
      linha.Opcoes[a] = "";
    } else if (a.size() > 1 && a[0] == '-') {
      const std::size_t igual = a.find('=');
      if (igual != std::string::npos) {
        linha.Opcoes[a.substr(0, igual)] = a.substr(igual + 1);
      } else if (i + 1 < aArgs.size()) {
        linha.Opcoes[a] = aArgs[++i];
      } else {
        throw ECliFalha(csEntradaInvalida, "a opção " + a + " precisa de um valor");
      }
    } else if (linha.Comando.empty()) {
      linha.Comando = a;
    } else {
      linha.Posicionais.push_back(a);
    }
  }
  return linha;
}

// Where the exception logs go when the configuration names no folder: the
// program's own folder is seldom writable for an installed tool.
std::string DiretorioErrosPadrao() {
  const char* estado = std::getenv("XDG_STATE_HOME");
  if (estado != nullptr && *estado != '\0') return std::string(estado) + "/xndnfe/";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/state/xndnfe/";
}

TAmbienteKind LerAmbiente(const std::string& aTexto) {
  const std::string t = LowerCase(aTexto);
  if (t == "homologacao" || t == "homologação" || t == "2") return akHomologacao;
  if (t == "producao" || t == "produção" || t == "1") return akProducao;
  throw ECliFalha(csEntradaInvalida,
                  "ambiente inválido: " + aTexto + " (use homologacao ou producao)");
}

std::unique_ptr<TxndNFe> Configurar(const TLinhaComando& aLinha) {
  auto nfe = std::make_unique<TxndNFe>();
  if (aLinha.Tem("--config")) {
    const std::string arquivo = Absoluto(aLinha.Valor("--config"));
    if (!FileExists(arquivo))
      throw ECliFalha(csEntradaInvalida, "arquivo de configuração não encontrado: " + arquivo);
    if (aLinha.Tem("--secao")) nfe->SetSectionINI(aLinha.Valor("--secao"));
    nfe->LoadConfig(arquivo);
  }
  if (nfe->DiretorioLogErro().empty()) nfe->SetDiretorioLogErro(DiretorioErrosPadrao());
  if (aLinha.Tem("--uf")) nfe->SetUF(UpperCase(aLinha.Valor("--uf")));
  if (aLinha.Tem("--versao")) nfe->SetVersaoManual(TextoParaVersaoManual(aLinha.Valor("--versao")));
  if (aLinha.Tem("--ambiente")) nfe->SetAmbiente(LerAmbiente(aLinha.Valor("--ambiente")));
  if (aLinha.Tem("--servidores")) {
    const std::string lista = Absoluto(aLinha.Valor("--servidores"));
    if (nfe->Ambiente() == akProducao)
      nfe->SetArquivoServidoresProd(lista);
    else
      nfe->SetArquivoServidoresHom(lista);
  }
  if (aLinha.Tem("--certificado")) nfe->SetCaminhoCertificado(Absoluto(aLinha.Valor("--certificado")));
  const char* senhaAmbiente = std::getenv("XNDNFE_SENHA_CERTIFICADO");
  if (aLinha.Tem("--senha"))
    nfe->SetSenhaCertificado(aLinha.Valor("--senha"));
  else if (senhaAmbiente != nullptr && *senhaAmbiente != '\0')
    nfe->SetSenhaCertificado(senhaAmbiente);
  if (aLinha.Tem("--esquemas")) nfe->SetDiretorioEsquemas(Absoluto(aLinha.Valor("--esquemas")) + "/");
  if (aLinha.Tem("--log")) nfe->SetDiretorioLog(Absoluto(aLinha.Valor("--log")) + "/");
  return nfe;
}

// Messages of the library may span lines ("\r\n" between a rule and its field).
std::string UmaLinha(const std::string& aTexto) {
  std::string linha;
  for (const char c : aTexto) {
    if (c == '\r') continue;
    linha += c == '\n' ? ' ' : c;
  }
  return Trim(linha);
}

bool ServicoInacessivel(const std::exception& aErro) {
  if (dynamic_cast<const ExndSoapException*>(&aErro) != nullptr) return true;
  // EnviarLote reports a batch that did not reach the service so.
  return dynamic_cast<const ExndNFeLoteEnviadoException*>(&aErro) == nullptr &&
         std::string(aErro.what()).rfind("Erro ao enviar NF-e: ", 0) == 0;
}

}  // namespace

std::string TLinhaComando::Valor(const std::string& aOpcao, const std::string& aPadrao) const {
  const auto it = Opcoes.find(aOpcao);
  return it == Opcoes.end() ? aPadrao : it->second;
}

int TLinhaComando::Inteiro(const std::string& aOpcao, int aPadrao, int aMinimo,
                           int aMaximo) const {
  if (!Tem(aOpcao)) return aPadrao;
  const std::string texto = Valor(aOpcao);
  // Digits only, no more of them than the largest value has.
  int n = 0;
  if (IsAsciiDigits(texto) && texto.size() <= std::to_string(aMaximo).size() &&
      TryStrToInt(texto, n) && n >= aMinimo && n <= aMaximo)
    return n;
  throw ECliFalha(csEntradaInvalida, aOpcao + " deve ser um número de " + std::to_string(aMinimo) +
                                         " a " + std::to_string(aMaximo) + ": " + texto);
}

std::string Absoluto(const std::string& aCaminho) {
  return std::filesystem::absolute(aCaminho).lexically_normal().string();
}

void TContexto::Escrever(const nlohmann::ordered_json& aJson) const {
  Saida << aJson.dump(2) << "\n";
}

void TContexto::Progresso(const std::string& aTexto) const {
  if (Terminal && !Linha.Json) Saida << aTexto << std::endl;
}

std::string LerArquivo(const std::string& aCaminho, bool aXml) {
  if (!FileExists(aCaminho)) throw ECliFalha(csEntradaInvalida, "arquivo não encontrado: " + aCaminho);
  std::string texto;
  try {
    texto = ReadFileBytes(aCaminho);
  } catch (const std::exception& e) {
    throw ECliFalha(csEntradaInvalida, "não foi possível ler " + aCaminho + ": " + e.what());
  }
  if (aXml) {
    const std::size_t inicio = texto.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (inicio == std::string::npos || texto[inicio] != '<')
      throw ECliFalha(csEntradaInvalida, aCaminho + " não é um documento XML");
  }
  return texto;
}

void GravarArquivo(const std::string& aCaminho, const std::string& aTexto) {
  try {
    WriteFileBytes(aCaminho, aTexto);
  } catch (const std::exception& e) {
    throw ECliFalha(csEntradaInvalida, "não foi possível gravar " + aCaminho + ": " + e.what());
  }
}

int Executar(const std::vector<std::string>& aArgumentos, std::ostream& aSaida,
             std::ostream& aErros, bool aTerminal) {
  try {
    const TLinhaComando linha = Analisar(aArgumentos);
    if (linha.Comando.empty()) {
      if (linha.Ajuda) {
        aSaida << Uso;
        return csOk;
      }
      throw ECliFalha(csEntradaInvalida, "informe um comando (xndnfe --help lista os comandos)");
    }
    const auto& comandos = Comandos();
    const auto def = std::find_if(comandos.begin(), comandos.end(),
                                  [&](const TDefinicaoComando& c) { return linha.Comando == c.Nome; });
    if (def == comandos.end())
      throw ECliFalha(csEntradaInvalida, "comando desconhecido: " + linha.Comando +
                                             " (xndnfe --help lista os comandos)");
    if (linha.Ajuda) {
      aSaida << def->Ajuda;
      return csOk;
    }
    for (const auto& [opcao, valor] : linha.Opcoes) {
      if (OpcoesComuns.count(opcao) == 0 && def->Opcoes.count(opcao) == 0)
        throw ECliFalha(csEntradaInvalida, "opção desconhecida para " + linha.Comando + ": " +
                                               opcao + " (xndnfe " + linha.Comando + " --help)");
    }
    if (linha.Posicionais.size() < def->MinPosicionais ||
        linha.Posicionais.size() > def->MaxPosicionais)
      throw ECliFalha(csEntradaInvalida, "argumentos inválidos para " + linha.Comando + " (xndnfe " +
                                             linha.Comando + " --help)");
    TContexto ctx{linha, aSaida, aErros, aTerminal, Configurar(linha)};
    return def->Executar(ctx);
  } catch (const ECliFalha& e) {
    aErros << "xndnfe: " << UmaLinha(e.what()) << "\n";
    return e.Codigo();
  } catch (const ExndNFeLoteEnviadoException& e) {
    aErros << "xndnfe: " << UmaLinha(e.what()) << "\n";
    return csRejeitado;
  } catch (const std::exception& e) {
    aErros << "xndnfe: " << UmaLinha(e.what()) << "\n";
    return ServicoInacessivel(e) ? csSemServico : csEntradaInvalida;
  }
}

}  // namespace xnd::cli
