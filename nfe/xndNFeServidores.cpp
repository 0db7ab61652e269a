// The two server wrappers of the NF-e component, the settings it pushes into
// them, the event bridges and the certificate operations.
#include "nfe/xndNFe.h"

#include "platform/files.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr int OpcaoAssinatura = 3;
constexpr int DiretorioPadraoTemporario = 1;
constexpr const char* ArquivoElementosPermitidos = "/elementospermitidos.bin";

}  // namespace

void TxndCustomNFe::InstalarPonteLogContent(TxndGovUtils& aGovUtils) {
  aGovUtils.OnLogContent = [this](const std::string& aNome, const std::string& aID,
                                  const std::string& aFileName, const std::string& aConteudo) {
    if (FOnLogContent) FOnLogContent(aNome, aID, aFileName, aConteudo);
  };
}

TxndGovUtils& TxndCustomNFe::ObterGovUtils() {
  if (!FGovUtils) {
    FGovUtils = std::make_unique<TxndGovUtils>();
    FGovUtils->OnLog = [this](const std::string& aNome, const std::string& aID,
                              const std::string& aFileName) {
      if (FOnLog) FOnLog(aNome, aID, aFileName);
    };
    InstalarPonteLogContent(*FGovUtils);
  }
  (*FGovUtils)->SetSaveLogs(ToVariantBool(FSalvarLogsEmDisco));
  return *FGovUtils;
}

void TxndCustomNFe::ConfigurarGovXNovo(TxndGovX& aGovX) {
  aGovX.OnCheckCertificate = [this](const std::string& aCertificateName) {
    if (!FOnCheckCertificate) return;
    std::string nome = aCertificateName;
    FOnCheckCertificate(nome);
  };
  aGovX->SignatureSettings().SetOption(OpcaoAssinatura);
  // Verification is off by default, but never against the host's choice.
  if (!FIgnoreInvalidCertificatesEscolhido) FIgnoreInvalidCertificates = true;
  FTipoCertificado = ckFile;
  FNomeCertificado->SetOnTextChange(
      [this](const std::string& aTexto) { TratarNomeCertificado(aTexto); });
}

TxndGovX& TxndCustomNFe::ObterGovX() {
  if (!FGovX) {
    // Kept only once the server answered, so a server that could not be
    // created is tried again at the next use.
    auto govX = std::make_unique<TxndGovX>();
    ConfigurarGovXNovo(*govX);
    FGovX = std::move(govX);
  }
  EnviarConfiguracaoEmail();
  EnviarConfiguracaoConexao();
  return *FGovX;
}

void TxndCustomNFe::EnviarConfiguracaoEmail() {
  if (!FGovX) return;
  const TxndEmailSettings& e = *EmailSettings();
  IEmailSettings& s = (*FGovX)->EmailSettings();
  s.SetSender(e.EmailRemetente());
  s.SetSmtpServer(e.ServidorSmtp());
  s.SetUser(e.Usuario());
  s.SetPassword(e.Senha());
  s.SetSubject(e.Assunto());
  s.SetMessage(e.Mensagem());
  s.SetPort(e.Porta());
  s.SetAuthentication(ToVariantBool(e.Autenticacao()));
  s.SetBcc(e.CCo());
  s.SetCc(e.CC());
  s.SetTimeOut(e.TimeOut());
  s.SetHtmlContent(ToVariantBool(e.ConteudoHtml()));
}

void TxndCustomNFe::EnviarConfiguracaoConexao() {
  if (!FGovX) return;
  std::string base = FDiretorioTemplates;
  RemoverPastaVersaoManual(base);
  IHttpSettings& conexao = (*FGovX)->ConnectionSettings();
  ISignatureSettings& assinatura = (*FGovX)->SignatureSettings();
  conexao.SetPinCode(FPinCode);
  assinatura.SetPinCode(FPinCode);
  conexao.SetProxy(FProxy);
  assinatura.SetCertificateKind(static_cast<int>(FTipoCertificado));
  conexao.SetCertificateKind(static_cast<int>(FTipoCertificado));
  assinatura.SetAllowedElementsFile(base + ArquivoElementosPermitidos);
  conexao.SetIgnoreInvalidCertificates(ToVariantBool(FIgnoreInvalidCertificates));
  conexao.SetSecureConnection(ToVariantBool(FConexaoSegura));
  conexao.SetTimeOut(FTimeOut);
  conexao.SetPassword(FSenha);
  conexao.SetUser(FUsuario);
  InstalarPonteLogContent(ObterGovUtils());
  if (!FCaminhoCertificado.empty()) {
    conexao.SetCertificatePath(FCaminhoCertificado);
    assinatura.SetCertificatePath(FCaminhoCertificado);
  }
  const std::string nome = FNomeCertificado->Text();
  if (!nome.empty()) {
    conexao.SetCertificateName(nome);
    assinatura.SetCertificateName(nome);
  }
  if (!FSenhaCertificado.empty()) {
    conexao.SetCertificatePassword(FSenhaCertificado);
    assinatura.SetCertificatePassword(FSenhaCertificado);
  }
  AtualizarInterfaceVersao();
}

std::string TxndCustomNFe::ObterDiretorioTemporario() {
  if (FDiretorioTemporario.empty()) {
    SetDiretorioTemporario(
        ExpandirCaminho(ObterGovUtils()->GetDefaultDirectory(DiretorioPadraoTemporario)));
  }
  return FDiretorioTemporario;
}

void TxndCustomNFe::ListarCertificados(TStringList* aLista) {
  if (aLista == nullptr) {
    throw ExndCheckParams("A lista do certificado não foi instanciada. ", FDiretorioLogErro);
  }
  try {
    const std::vector<std::string> nomes = ObterGovX()->ListCertificates();
    aLista->BeginUpdate();
    try {
      aLista->Clear();
      for (const std::string& nome : nomes) aLista->Add(nome);
    } catch (...) {
      aLista->EndUpdate();
      throw;
    }
    aLista->EndUpdate();
  } catch (const std::exception& e) {
    throw ExndCertStoreException(e.what(), FDiretorioLogErro);
  }
}

void TxndCustomNFe::VerificarCertificado() {
  try {
    ObterGovX()->CheckCertificate();
  } catch (const std::exception& e) {
    throw ExndCertStoreException(e.what(), FDiretorioLogErro);
  }
}

void TxndCustomNFe::TratarNomeCertificado(const std::string& aTexto) {
  TxndGovX& govX = ObterGovX();
  govX->SignatureSettings().SetCertificateName(aTexto);
  govX->ConnectionSettings().SetCertificateName(aTexto);
  if (!aTexto.empty()) VerificarCertificado();
}

void TxndCustomNFe::LiberarCertificado() {
  if (!FGovX) return;
  try {
    IHttpSettings& conexao = (*FGovX)->ConnectionSettings();
    if (conexao.CertificatePath().empty()) return;
    const std::string nome = conexao.CertificateName();
    ObterGovX()->ReleaseCertificate(nome);
  } catch (const std::exception& e) {
    throw ExndCertStoreException(e.what(), FDiretorioLogErro);
  }
}

}  // namespace xnd
