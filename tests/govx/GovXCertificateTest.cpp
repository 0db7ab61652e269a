// Certificates: opening A1 files and PEM pairs, the stores by kind, the
// checks of CheckCertificate, the key cache and ReleaseCertificate.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/files.h"
#include "tests/govx/GovXTestKit.h"
#include "tests/support/LibraryTexts.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {
namespace {

using govx::TGovXOptions;
using govx::TGovXServer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

void Copy(const std::string& aFrom, const std::string& aTo) {
  std::filesystem::create_directories(std::filesystem::path(aTo).parent_path());
  std::filesystem::copy_file(aFrom, aTo, std::filesystem::copy_options::overwrite_existing);
}

// A home of its own for every test: $HOME and $XDG_DATA_HOME point into a
// temporary directory, and the machine store is another one.
class CertificateTest : public ::testing::Test {
 public:
  CertificateTest()
      : FHome("HOME", FDir.Path()),
        FDataHome("XDG_DATA_HOME", FDir.File("dados")),
        FServer(TGovXOptions{FDir.File("maquina/"), ""}) {
    FServer.OnCheckCertificate = [this](const std::string& aName) { FAnnounced.push_back(aName); };
  }

  std::string UserStore() const { return FDir.File("dados/xndnfe/certificados/"); }
  std::string MachineStore() const { return FDir.File("maquina/"); }
  const TestPki& Pki() const { return TestPki::Instance(); }
  const TempDir& Dir() const { return FDir; }

 protected:
  TempDir FDir;
  ScopedEnv FHome;
  ScopedEnv FDataHome;
  TGovXServer FServer;
  std::vector<std::string> FAnnounced;
};

struct CheckFailure {
  const char* Name;
  std::function<void(CertificateTest&, TGovXServer&)> Configure;
  std::function<std::string(const CertificateTest&)> Message;
};

class CheckCertificateFailureTest : public CertificateTest,
                                    public ::testing::WithParamInterface<CheckFailure> {};

TEST_P(CheckCertificateFailureTest, RaisesAClearMessage) {
  GetParam().Configure(*this, FServer);
  EXPECT_EQ(OleErrorOf([&] { FServer.CheckCertificate(); }), GetParam().Message(*this));
}

const std::string WrongPassword = "senha-errada-987";
const std::string NotPkcs12 = "não sou um PKCS#12";

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckCertificateFailureTest,
    ::testing::Values(
        CheckFailure{"NadaConfigurado", [](auto&, auto&) {},
                     [](auto&) {
                       return std::string(
                           "Nenhum certificado digital configurado: informe o nome do certificado "
                           "ou o caminho do arquivo PKCS#12.");
                     }},
        CheckFailure{"ArquivoAusente",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().File("nao-existe.pfx"), "", "1234");
                     },
                     [](auto& t) {
                       return "Arquivo do certificado não encontrado: " +
                              t.Pki().File("nao-existe.pfx");
                     }},
        CheckFailure{"SenhaErrada",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().CompanyPfx(), "", WrongPassword);
                     },
                     [](auto& t) {
                       return "Senha do certificado inválida para o arquivo \"" +
                              t.Pki().CompanyPfx() + "\".";
                     }},
        CheckFailure{"ChavePemComSenhaErrada",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().EncryptedPemCertificate(), "", WrongPassword);
                     },
                     [](auto& t) {
                       return "Senha da chave privada inválida para o arquivo \"" +
                              t.Pki().EncryptedPemKey() + "\".";
                     }},
        CheckFailure{"ArquivoQueNaoEPkcs12",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Dir().Write("texto.pfx", NotPkcs12), "", "1234");
                     },
                     [](auto& t) {
                       return "O arquivo \"" + t.Dir().File("texto.pfx") +
                              "\" não é um certificado PKCS#12 válido (" +
                              OpenSslPkcs12Reason(NotPkcs12) + ").";
                     }},
        CheckFailure{"SemChavePrivada",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().CertificateWithoutKey(), "", "");
                     },
                     [](auto&) {
                       return std::string("O certificado \"") + TestPki::WithoutKeyName +
                              "\" não possui chave privada.";
                     }},
        CheckFailure{
            "Vencido",
            [](auto& t, auto& s) { PushCertificate(s, 2, t.Pki().ExpiredPfx(), "", "1234"); },
            [](auto&) {
              return std::string("O certificado \"") + TestPki::ExpiredName +
                     "\" está vencido desde " + TestPki::ExpiredEndDate + ".";
            }},
        CheckFailure{
            "AindaNaoValido",
            [](auto& t, auto& s) { PushCertificate(s, 2, t.Pki().NotYetValidPfx(), "", "1234"); },
            [](auto&) {
              return std::string("O certificado \"") + TestPki::NotYetValidName +
                     "\" ainda não é válido: a validade começa em " +
                     TestPki::NotYetValidStartDate + ".";
            }},
        CheckFailure{"NomeAusenteDoRepositorioDoUsuario",
                     [](auto& t, auto& s) {
                       Copy(t.Pki().CompanyPfx(), t.UserStore() + "empresa.pfx");
                       PushCertificate(s, 2, "", "EMPRESA INEXISTENTE LTDA:00000000000000\r\n",
                                       "1234");
                     },
                     [](auto& t) {
                       return "Certificado \"EMPRESA INEXISTENTE LTDA:00000000000000\" não "
                              "encontrado no repositório do usuário (" +
                              t.UserStore() + ").";
                     }},
        CheckFailure{
            "NomeAusenteDoRepositorioDaMaquina",
            [](auto&, auto& s) { PushCertificate(s, 1, "", "EMPRESA X", ""); },
            [](auto& t) {
              return "Certificado \"EMPRESA X\" não encontrado no repositório da máquina (" +
                     t.MachineStore() + ").";
            }},
        CheckFailure{"ActiveDirectory",
                     [](auto&, auto& s) { PushCertificate(s, 3, "", "EMPRESA X", ""); },
                     [](auto&) {
                       return std::string(
                           "Repositório de certificados do tipo Active Directory não está "
                           "disponível no Linux.");
                     }},
        CheckFailure{"SmartCard",
                     [](auto&, auto& s) { PushCertificate(s, 4, "", "EMPRESA X", ""); },
                     [](auto&) {
                       return std::string(
                           "Repositório de certificados do tipo cartão inteligente (smart card) "
                           "não está disponível nesta versão.");
                     }}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

struct CheckSuccess {
  const char* Name;
  std::function<void(CertificateTest&, TGovXServer&)> Configure;
  const char* CommonName;
};

class CheckCertificateSuccessTest : public CertificateTest,
                                    public ::testing::WithParamInterface<CheckSuccess> {};

TEST_P(CheckCertificateSuccessTest, OpensAndAnnouncesTheCertificate) {
  GetParam().Configure(*this, FServer);
  FServer.CheckCertificate();
  // Both settings objects hold the same selection: one announcement.
  EXPECT_THAT(FAnnounced, ElementsAre(GetParam().CommonName));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckCertificateSuccessTest,
    ::testing::Values(
        CheckSuccess{
            "Pkcs12",
            [](auto& t, auto& s) { PushCertificate(s, 2, t.Pki().CompanyPfx(), "", "1234"); },
            TestPki::CompanyName},
        CheckSuccess{"Pkcs12SemSenha",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().CompanyPfxWithoutPassword(), "", "");
                     },
                     TestPki::CompanyName},
        CheckSuccess{
            "Pkcs12Legado",
            [](auto& t, auto& s) { PushCertificate(s, 2, t.Pki().LegacyPfx(), "", "1234"); },
            TestPki::LegacyName},
        CheckSuccess{"CaminhoComBarrasInvertidas",
                     [](auto& t, auto& s) {
                       std::string path = t.Pki().CompanyPfx();
                       std::replace(path.begin(), path.end(), '/', '\\');
                       PushCertificate(s, 2, path, "", "1234");
                     },
                     TestPki::CompanyName},
        CheckSuccess{
            "ParPem",
            [](auto& t, auto& s) { PushCertificate(s, 2, t.Pki().PemCertificate(), "", ""); },
            TestPki::PemName},
        CheckSuccess{"ParPemComChaveCifrada",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().EncryptedPemCertificate(), "", "1234");
                     },
                     TestPki::EncryptedPemName},
        CheckSuccess{"NomeNoRepositorioDoUsuario",
                     [](auto& t, auto& s) {
                       Copy(t.Pki().CompanyPfx(), t.UserStore() + "empresa.pfx");
                       Copy(t.Pki().SecondPfx(), t.UserStore() + "outra.pfx");
                       // As the component pushes it: lines ending in CR LF, any case.
                       PushCertificate(s, 2, "", "\r\n  empresa teste ltda:12345678000195 \r\n",
                                       "1234");
                     },
                     TestPki::CompanyName},
        CheckSuccess{"NomeNoRepositorioDaMaquina",
                     [](auto& t, auto& s) {
                       Copy(t.Pki().SecondPfx(), t.MachineStore() + "outra.p12");
                       PushCertificate(s, 1, "", TestPki::SecondName, "1234");
                     },
                     TestPki::SecondName},
        CheckSuccess{"NomeForaDoRepositorioComCaminho",
                     [](auto& t, auto& s) {
                       PushCertificate(s, 2, t.Pki().SecondPfx(), "EMPRESA INEXISTENTE", "1234");
                     },
                     TestPki::SecondName}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(CertificateTest, ListsTheUserStoreSortedByNameThenFile) {
  Copy(Pki().CompanyPfx(), UserStore() + "empresa.pfx");
  Copy(Pki().CompanyPfx(), UserStore() + "copia.P12");
  Copy(Pki().SecondPfx(), UserStore() + "outra.pfx");
  Copy(Pki().PemCertificate(), UserStore() + "par.crt");
  Copy(Pki().PemKey(), UserStore() + "par.key");
  Copy(Pki().CertificateWithoutKey(), UserStore() + "sem-chave.pem");
  FDir.Write("dados/xndnfe/certificados/leia-me.txt", "não é certificado");
  FDir.Write("dados/xndnfe/certificados/quebrado.pfx", "não é certificado");
  FServer.SignatureSettings().SetCertificateKind(2);

  FServer.SignatureSettings().SetCertificatePassword("1234");
  EXPECT_THAT(FServer.ListCertificates(),
              ElementsAre(TestPki::PemName, TestPki::WithoutKeyName, TestPki::CompanyName,
                          TestPki::CompanyName, TestPki::SecondName));
  // Without the password only what opens without one is listed.
  FServer.SignatureSettings().SetCertificatePassword("");
  EXPECT_THAT(FServer.ListCertificates(), ElementsAre(TestPki::PemName, TestPki::WithoutKeyName));
}

TEST_F(CertificateTest, MissingStoreDirectoriesAreEmptyStores) {
  FServer.SignatureSettings().SetCertificateKind(2);
  EXPECT_THAT(FServer.ListCertificates(), IsEmpty());
  FServer.SignatureSettings().SetCertificateKind(1);
  EXPECT_THAT(FServer.ListCertificates(), IsEmpty());
}

TEST_F(CertificateTest, WithoutXdgDataHomeTheUserStoreIsUnderHome) {
  const ScopedEnv unset("XDG_DATA_HOME", std::nullopt);
  Copy(Pki().PemCertificate(), FDir.File(".local/share/xndnfe/certificados/par.crt"));
  FServer.SignatureSettings().SetCertificateKind(2);
  EXPECT_THAT(FServer.ListCertificates(), ElementsAre(TestPki::PemName));
}

TEST_F(CertificateTest, UnavailableStoreKindsCannotBeListed) {
  FServer.SignatureSettings().SetCertificateKind(4);
  EXPECT_EQ(OleErrorOf([&] { FServer.ListCertificates(); }),
            "Repositório de certificados do tipo cartão inteligente (smart card) não está "
            "disponível nesta versão.");
  FServer.SignatureSettings().SetCertificateKind(9);
  EXPECT_EQ(OleErrorOf([&] { FServer.ListCertificates(); }),
            "Tipo de repositório de certificados desconhecido: 9.");
}

TEST_F(CertificateTest, MemoryStoreHoldsWhatThisServerOpenedUntilReleased) {
  FServer.SignatureSettings().SetCertificateKind(0);
  EXPECT_THAT(FServer.ListCertificates(), IsEmpty());
  PushCertificate(FServer, 0, Pki().SecondPfx(), "", "1234");
  FServer.CheckCertificate();
  PushCertificate(FServer, 0, Pki().CompanyPfx(), "", "1234");
  FServer.CheckCertificate();
  EXPECT_THAT(FServer.ListCertificates(), ElementsAre(TestPki::CompanyName, TestPki::SecondName));

  // Selecting by name in the memory store needs no file any more.
  PushCertificate(FServer, 0, "", TestPki::SecondName, "");
  FServer.CheckCertificate();

  EXPECT_TRUE(FServer.ReleaseCertificate(std::string(TestPki::SecondName) + "\r\n"));
  EXPECT_THAT(FServer.ListCertificates(), ElementsAre(TestPki::CompanyName));
  EXPECT_TRUE(FServer.ReleaseCertificate(""));
  EXPECT_THAT(FServer.ListCertificates(), IsEmpty());
  EXPECT_FALSE(FServer.ReleaseCertificate(""));
}

// The key is read once per selection: pushing the same values again (as the
// component does before every operation) keeps it, a changed value or
// ReleaseCertificate drops it.
TEST_F(CertificateTest, KeepsTheOpenedKeyUntilACertificateValueChanges) {
  const std::string file = FDir.File("empresa.pfx");
  Copy(Pki().CompanyPfx(), file);
  PushCertificate(FServer, 2, file, "", "1234");
  FServer.CheckCertificate();
  std::filesystem::remove(file);

  PushCertificate(FServer, 2, file, "", "1234");
  EXPECT_NO_THROW(FServer.SignXml(UnsignedNfe310(), Nfe310Id));

  const std::string missing = "Arquivo do certificado não encontrado: " + file;
  PushCertificate(FServer, 2, file, "", "12345");
  PushCertificate(FServer, 2, file, "", "1234");
  EXPECT_EQ(OleErrorOf([&] { FServer.SignXml(UnsignedNfe310(), Nfe310Id); }), missing);

  Copy(Pki().CompanyPfx(), file);
  FServer.CheckCertificate();
  std::filesystem::remove(file);
  EXPECT_TRUE(FServer.ReleaseCertificate(TestPki::CompanyName));
  EXPECT_FALSE(FServer.ReleaseCertificate(TestPki::CompanyName));
  EXPECT_EQ(OleErrorOf([&] { FServer.CheckCertificate(); }), missing);
}

}  // namespace
}  // namespace xnd::test
