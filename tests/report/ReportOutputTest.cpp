// The outputs of the report operations (export, PNG pages, print, preview)
// and the bad input they refuse, through the real xndGovX server.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/GovXServerImpl.h"
#include "tests/report/IppPrinter.h"
#include "tests/report/ReportSupport.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

std::string OleError(const std::function<void()>& aCall) {
  try {
    aCall();
  } catch (const EOleException& e) {
    return e.what();
  }
  return "(nenhum erro)";
}

class ReportOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IReportSettings& s = FServer.ReportSettings();
    s.SetTemplate(ShippedTemplate("vm40/Danfe/retrato.rtm"));
    s.SetData(DanfeJson(SampleDados(), NumberedItems(3)));
    s.SetOutputFileName(FDir.File("nota.pdf"));
  }
  IReportSettings& Settings() { return FServer.ReportSettings(); }

  TempDir FDir;
  govx::TGovXServer FServer;
};

struct BadInput {
  const char* Name;
  std::function<void(IReportSettings&, const TempDir&)> Spoil;
  std::function<std::string(const TempDir&)> Message;
};

class ReportBadInputTest : public ReportOutputTest,
                           public ::testing::WithParamInterface<BadInput> {};

TEST_P(ReportBadInputTest, ExportRefusesWithItsMessageAndWritesNothing) {
  GetParam().Spoil(Settings(), FDir);
  EXPECT_EQ(OleError([&] { FServer.ReportExport(); }), GetParam().Message(FDir));
  EXPECT_FALSE(std::filesystem::exists(FDir.File("nota.pdf")));
}

std::string JsonError(const std::string& aText) {
  try {
    const nlohmann::json parsed = nlohmann::json::parse(aText);
    return "(JSON válido: " + parsed.dump() + ")";
  } catch (const nlohmann::json::exception& e) {
    return e.what();
  }
  return {};
}

// What cairo says of a file it cannot read as PNG.
std::string CairoPngError(const std::string& aFile) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(aFile.c_str());
  const std::string reason = cairo_status_to_string(cairo_surface_status(image));
  cairo_surface_destroy(image);
  return reason;
}

const BadInput BadInputs[] = {
    {"NoTemplate", [](IReportSettings& s, const TempDir&) { s.SetTemplate(""); },
     [](const TempDir&) { return std::string("Modelo de relatório não informado."); }},
    {"MissingTemplate",
     [](IReportSettings& s, const TempDir& d) { s.SetTemplate(d.File("nada.rtm")); },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("nada.rtm") + "\" não encontrado.";
     }},
    {"TemplateIsAFolder",
     [](IReportSettings& s, const TempDir& d) { s.SetTemplate(d.MakeDir("pasta.rtm")); },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("pasta.rtm/") + "\" não encontrado.";
     }},
    {"UnknownLayout",
     [](IReportSettings& s, const TempDir& d) {
       s.SetTemplate(d.Write("x.rtm", "[Relatorio]\r\nLayout=Boleto\r\n"));
     },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("x.rtm") + "\": layout \"Boleto\" desconhecido.";
     }},
    {"NoLayout",
     [](IReportSettings& s, const TempDir& d) { s.SetTemplate(d.Write("x.rtm", "<xml/>")); },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("x.rtm") +
              "\" não informa o layout (chave Layout da seção [Relatorio]).";
     }},
    {"BadMargin",
     [](IReportSettings& s, const TempDir& d) {
       s.SetTemplate(d.Write("x.rtm", "[Relatorio]\nLayout=CCe\nMargem=5mm\n"));
     },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("x.rtm") +
              "\": valor \"5mm\" inválido em [Relatorio] Margem.";
     }},
    {"LetterPaper",
     [](IReportSettings& s, const TempDir& d) {
       s.SetTemplate(d.Write("x.rtm", "[Relatorio]\nLayout=DanfeRetrato\nPapel=Carta\n"));
     },
     [](const TempDir& d) {
       return "Modelo de relatório \"" + d.File("x.rtm") +
              "\": papel \"Carta\" não suportado (use A4).";
     }},
    {"NoData", [](IReportSettings& s, const TempDir&) { s.SetData(" "); },
     [](const TempDir&) { return std::string("Dados do relatório não informados."); }},
    {"MalformedJson", [](IReportSettings& s, const TempDir&) { s.SetData("[{\"Items\": [}"); },
     [](const TempDir&) {
       return "Dados do relatório não são um JSON válido: " + JsonError("[{\"Items\": [}");
     }},
    {"NotTheSerializerShape", [](IReportSettings& s, const TempDir&) { s.SetData("{}"); },
     [](const TempDir&) {
       return std::string(
           "Dados do relatório em formato inesperado: o texto não é uma lista de conjuntos");
     }},
    {"NoDados",
     [](IReportSettings& s, const TempDir&) {
       s.SetData(nlohmann::json::array({SerializedDataSet("Outro", {})}).dump());
     },
     [](const TempDir&) { return std::string("Dados do relatório sem o conjunto \"Dados\"."); }},
    {"NoNote",
     [](IReportSettings& s, const TempDir&) {
       // What the serializer writes when no note was loaded: one empty record.
       s.SetData(nlohmann::json::array({SerializedDataSet("Dados", {})}).dump());
     },
     [](const TempDir&) {
       return std::string("Dados do relatório sem registros no conjunto \"Dados\".");
     }},
    {"NoItems",
     [](IReportSettings& s, const TempDir&) {
       s.SetData(
           nlohmann::json::array({SerializedDataSet("Dados", {SerializedRecord(SampleDados())})})
               .dump());
     },
     [](const TempDir&) {
       return std::string("Dados do relatório sem o conjunto \"DadosItens\".");
     }},
    {"LogoNotAnImage",
     [](IReportSettings& s, const TempDir& d) { s.SetLogo(d.Write("logo.png", "GIF89a...")); },
     [](const TempDir& d) {
       return "Logotipo \"" + d.File("logo.png") + "\" não é uma imagem PNG ou JPEG.";
     }},
    {"BrokenPngLogo",
     [](IReportSettings& s, const TempDir& d) {
       s.SetLogo(d.Write("logo.png", "\x89PNG\r\n\x1a\nnot really"));
     },
     [](const TempDir& d) {
       return "Logotipo \"" + d.File("logo.png") +
              "\" não é uma imagem PNG válida: " + CairoPngError(d.File("logo.png"));
     }},
    {"MissingLogo", [](IReportSettings& s, const TempDir& d) { s.SetLogo(d.File("logo.png")); },
     [](const TempDir& d) { return "Logotipo \"" + d.File("logo.png") + "\" não encontrado."; }},
    {"NoOutputFile", [](IReportSettings& s, const TempDir&) { s.SetOutputFileName(""); },
     [](const TempDir&) { return std::string("Arquivo de saída do relatório não informado."); }},
    {"MissingFolder",
     [](IReportSettings& s, const TempDir& d) { s.SetOutputFileName(d.File("falta/nota.pdf")); },
     [](const TempDir& d) {
       return "Não foi possível gravar o relatório em \"" + d.File("falta/nota.pdf") +
              "\": " + SystemErrorText(ENOENT);
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReportBadInputTest, ::testing::ValuesIn(BadInputs),
                         [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(ReportOutputTest, PngAndJpegLogosAreDrawnAndABrokenJpegIsRefused) {
  // Two small logos made by pdftoppm from a page of our own.
  FServer.ReportExport();
  for (const std::string format : {"png", "jpeg"}) {
    SCOPED_TRACE(format);
    const std::string logo = FDir.File("logo-" + format);
    ASSERT_EQ(test::Run("pdftoppm -r 12 -singlefile -" + format + " " +
                        Quote(FDir.File("nota.pdf")) + " " + Quote(logo))
                  .Status,
              0);
    Settings().SetLogo(logo + (format == "png" ? ".png" : ".jpg"));
    Settings().SetOutputFileName(FDir.File("com-logo-" + format + ".pdf"));
    FServer.ReportExport();
    const std::string images =
        test::Run("pdfimages -list " + Quote(Settings().OutputFileName())).Output;
    // pdfimages: two header lines, then one line per image.
    EXPECT_EQ(Count(images, "\n"), 3) << images;
  }
  Settings().SetLogo(FDir.Write("logo.jpg", "\xFF\xD8\xFF\xE0 not really a JPEG"));
  const std::string message = OleError([&] { FServer.ReportExport(); });
  const std::string ours =
      "Logotipo \"" + FDir.File("logo.jpg") + "\" não é uma imagem JPEG válida: ";
  EXPECT_TRUE(StartsText(ours, message)) << message;
  EXPECT_GT(message.size(), ours.size());
}

TEST_F(ReportOutputTest, FormatTwoWritesOnePngPerPageBesideThePdf) {
  Settings().SetData(DanfeJson(SampleDados(), NumberedItems(120)));
  Settings().SetExportFormat(2);
  FServer.ReportExport();
  const int pages = ReadPdfInfo(FDir.File("nota.pdf")).Pages;
  ASSERT_GT(pages, 1);
  for (int page = 1; page <= pages; ++page) {
    const std::string png = FDir.File(Format("nota-%d.png", page));
    ASSERT_TRUE(FileExists(png)) << png;
    EXPECT_EQ(ReadFileBytes(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  }
  EXPECT_FALSE(FileExists(FDir.File(Format("nota-%d.png", pages + 1))));
}

TEST_F(ReportOutputTest, AFailedExportRemovesThePagesItHadWritten) {
  Settings().SetData(DanfeJson(SampleDados(), NumberedItems(120)));
  Settings().SetExportFormat(2);
  FDir.MakeDir("nota-2.png");  // the second page cannot be written
  const std::string message = OleError([&] { FServer.ReportExport(); });
  EXPECT_TRUE(StartsText(
      "Não foi possível gravar o relatório em \"" + FDir.File("nota-2.png") + "\": ", message))
      << message;
  EXPECT_FALSE(FileExists(FDir.File("nota-1.png")));
  EXPECT_FALSE(FileExists(FDir.File("nota.pdf")));
}

TEST_F(ReportOutputTest, PreviewHandsThePdfToTheCallbackAndNeedsOne) {
  EXPECT_EQ(OleError([&] { FServer.ReportPreview(); }),
            "Visualização indisponível: nenhuma rotina de visualização foi instalada.");
  std::string shown;
  {
    govx::TGovXServer server;
    server.ReportSettings().SetTemplate(Settings().Template());
    server.ReportSettings().SetData(Settings().Data());
    server.ReportSettings().OnPreview = [&](const std::string& aPdf) {
      shown = aPdf;
      EXPECT_EQ(ReadPdfInfo(aPdf).Pages, 1);
      EXPECT_NE(PdfText(aPdf).find("ITEM-0003"), std::string::npos);
    };
    server.ReportPreview();
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(FileExists(shown));  // the viewer may open it later
  }
  EXPECT_FALSE(FileExists(shown));  // removed with the server
}

TEST_F(ReportOutputTest, PreviewKeepsOnlyTheLatestEightFiles) {
  std::vector<std::string> shown;
  Settings().OnPreview = [&](const std::string& aPdf) { shown.push_back(aPdf); };
  for (int i = 0; i < 10; ++i) FServer.ReportPreview();
  ASSERT_EQ(shown.size(), 10u);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(FileExists(shown[i]), i >= 2) << i;
  }
}

TEST_F(ReportOutputTest, PrintRefusesWhatCannotBePrinted) {
  const ScopedEnv home("HOME", FDir.Path());
  const ScopedEnv printer("PRINTER", std::nullopt);
  const ScopedEnv lpdest("LPDEST", std::nullopt);
  const ScopedEnv server("CUPS_SERVER", FDir.File("sem-cupsd.sock"));
  EXPECT_EQ(OleError([&] { FServer.ReportPrintToPrinter(); }), "Impressora não informada.");
  EXPECT_EQ(OleError([&] { FServer.ReportPrint(); }), "Nenhuma impressora padrão configurada.");
  Settings().SetPrinterName("xndNaoExiste");
  EXPECT_EQ(OleError([&] { FServer.ReportPrintToPrinter(); }),
            "Impressora \"xndNaoExiste\" não encontrada.");
  Settings().SetCopies(0);
  EXPECT_EQ(OleError([&] { FServer.ReportPrintToPrinter(); }), "Número de cópias inválido: 0.");
}

TEST_F(ReportOutputTest, PrintSendsThePdfWithItsCopiesToAnIppPrinter) {
  const IppPrinter printer;
  ASSERT_EQ(printer.Failure(), "");
  Settings().SetPrinterName(printer.Uri());
  Settings().SetCopies(3);
  FServer.ReportPrintToPrinter();
  const std::vector<std::string> jobs = printer.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_NE(jobs[0].find("IPP_COPIES=3\n"), std::string::npos) << jobs[0];
  EXPECT_NE(jobs[0].find("IPP_DOCUMENT_FORMAT_SUPPLIED=application/pdf\n"), std::string::npos)
      << jobs[0];
}

TEST_F(ReportOutputTest, PrintReportsAPrinterThatRefusesTheJob) {
  const IppPrinter printer("image/pwg-raster");
  ASSERT_EQ(printer.Failure(), "");
  Settings().SetPrinterName(printer.Uri());
  const std::string message = OleError([&] { FServer.ReportPrintToPrinter(); });
  const std::string ours = "Impressora \"" + printer.Uri() + "\" recusou o trabalho: ";
  EXPECT_TRUE(StartsText(ours, message)) << message;
  EXPECT_GT(message.size(), ours.size());
}

}  // namespace
}  // namespace xnd::test
