// Protected texts, gzip compression and base64 of xndGovUtils.
#include <zlib.h>

#include <set>

#include "tests/govutils/GovUtilsTestSupport.h"

namespace xnd::test {
namespace {

class GovUtilsCrypto : public ::testing::Test {
 protected:
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

// Inflates a gzip stream with zlib; fails the test when it is not one.
std::string Gunzip(const std::string& aGzip) {
  z_stream zs{};
  EXPECT_EQ(Z_OK, inflateInit2(&zs, 16 + MAX_WBITS));  // gzip only
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aGzip.data()));
  zs.avail_in = static_cast<uInt>(aGzip.size());
  std::string out;
  char buffer[4096];
  int status = Z_OK;
  while (status == Z_OK) {
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    status = inflate(&zs, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - zs.avail_out);
  }
  EXPECT_EQ(Z_STREAM_END, status);
  EXPECT_EQ(0u, zs.avail_in) << "bytes after the gzip trailer";
  inflateEnd(&zs);
  return out;
}

TEST_F(GovUtilsCrypto, CompressGivesGzipThatRestoresTheText) {
  std::string batch = "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">";
  for (int i = 0; i < 20000; ++i)
    batch += "<NFe><infNFe Id=\"NFe" + std::to_string(i) + "\">ação</infNFe></NFe>";
  batch += "</enviNFe>";
  for (const std::string& text : {batch, std::string()}) {
    const std::string gzip = FUtils->Compress(text);
    ASSERT_GE(gzip.size(), 18u);
    EXPECT_EQ("\x1F\x8B", gzip.substr(0, 2));
    EXPECT_EQ(text, Gunzip(gzip));
  }
  EXPECT_LT(FUtils->Compress(batch).size(), batch.size() / 10);
}

TEST_F(GovUtilsCrypto, EncodeBase64MatchesTheStandardVectorsOnOneLine) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\xFF\xFE", 3), "AP/+"}};
  for (const auto& [bytes, encoded] : vectors) EXPECT_EQ(encoded, FUtils->EncodeBase64(bytes));
  // Past the encoder's internal block: still one line, same text as the vectors repeated.
  std::string longInput;
  std::string longExpected;
  for (int i = 0; i < 30000; ++i) longInput += "foobar", longExpected += "Zm9vYmFy";
  EXPECT_EQ(longExpected, FUtils->EncodeBase64(longInput));
}

TEST_F(GovUtilsCrypto, ProtectTextRoundTripsWithAFreshCiphertextEachTime) {
  std::set<std::string> seen;
  for (const std::string& plain :
       {std::string("1234"), std::string("senha com ação e € "), std::string(1000, 'x')}) {
    const std::string first = FUtils->ProtectText(plain);
    const std::string second = FUtils->ProtectText(plain);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::string::npos, first.find(plain));
    EXPECT_EQ(plain, FUtils->UnprotectText(first));
    EXPECT_EQ(plain, NewGovUtils()->UnprotectText(second));
    seen.insert(first);
  }
  EXPECT_EQ(3u, seen.size());
  EXPECT_EQ("", FUtils->ProtectText(""));
  EXPECT_EQ("", FUtils->UnprotectText(""));
}

TEST_F(GovUtilsCrypto, TamperedOrForeignTextIsRefused) {
  const std::string message =
      "Texto protegido inválido: foi alterado ou protegido em outra máquina ou por outro usuário";
  const std::string sealed = FUtils->ProtectText("1234");
  std::vector<std::string> bad = {
      "1234", "abc", "AAAA", sealed.substr(0, sealed.size() - 4), sealed + "AAAA", " " + sealed};
  for (std::size_t i = 0; i < sealed.size(); i += 7) {
    std::string flipped = sealed;
    flipped[i] = flipped[i] == 'A' ? 'B' : 'A';
    bad.push_back(flipped);
  }
  for (const std::string& text : bad) {
    EXPECT_EQ(message, OleErrorOf([&] { FUtils->UnprotectText(text); })) << text;
  }
}

}  // namespace
}  // namespace xnd::test
