#include "servers/govx/report/ReportEngine.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govx/report/ReportCCe.h"
#include "servers/govx/report/ReportDanfe.h"
#include "servers/govx/report/ReportPages.h"
#include "servers/govx/report/ReportTemplate.h"

namespace xnd::govx::report {

namespace {

std::string PngName(const std::string& aPdf, int aPage) {
  std::string base = aPdf;
  const std::string ext = ExtractFileExt(aPdf);
  if (!ext.empty()) base.resize(base.size() - ext.size());
  return base + "-" + IntToStr(aPage) + ".png";
}

void WriteOutput(const std::string& aFile, std::string_view aBytes) {
  try {
    WriteFileBytes(aFile, aBytes);
  } catch (const EInOutError& e) {
    throw EOleException(Format("Não foi possível gravar o relatório em \"%s\": %s", aFile,
                               SystemErrorText(e.ErrorCode())));
  }
}

// A temporary PDF of the report, removed when the object goes away.
class TTempPdf {
 public:
  explicit TTempPdf(const std::string& aPdf) {
    std::string name = TemporaryDirectory() + "xndnfe-relatorio-XXXXXX.pdf";
    const int fd = mkstemps(name.data(), 4);
    if (fd < 0) {
      throw EOleException(Format("Não foi possível gravar o relatório em \"%s\": %s",
                                 TemporaryDirectory(), SystemErrorText(errno)));
    }
    close(fd);
    FName = name;
    try {
      WriteOutput(FName, aPdf);
    } catch (...) {
      DeleteFile(FName);
      throw;
    }
  }
  ~TTempPdf() {
    if (!FName.empty()) DeleteFile(FName);
  }
  // Keeps the file: its name, which the caller now owns.
  std::string Release() { return std::exchange(FName, std::string()); }
  TTempPdf(const TTempPdf&) = delete;
  TTempPdf& operator=(const TTempPdf&) = delete;
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};

struct TIppDeleter {
  void operator()(ipp_t* a) const { ippDelete(a); }
};
struct THttpDeleter {
  void operator()(http_t* a) const { httpClose(a); }
};
struct TDestDeleter {
  void operator()(cups_dest_t* a) const { cupsFreeDests(1, a); }
};

bool IsIppAddress(const std::string& aPrinter) {
  return StartsText("ipp://", aPrinter) || StartsText("ipps://", aPrinter);
}

// Print-Job straight to an IPP printer.
void PrintToAddress(const std::string& aUri, const std::string& aFile, int aCopies) {
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, aUri.c_str(), scheme, sizeof scheme, user, sizeof user,
                      host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
    throw EOleException(Format("Impressora \"%s\" não encontrada.", aUri));
  }
  const http_encryption_t encryption =
      SameText(scheme, "ipps") ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED;
  std::unique_ptr<http_t, THttpDeleter> http(
      httpConnect2(host, port, nullptr, AF_UNSPEC, encryption, 1, 30000, nullptr));
  if (!http) {
    throw EOleException(
        Format("Impressora \"%s\" não respondeu: %s", aUri, std::string(cupsLastErrorString())));
  }
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, aUri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "xndNFe");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               "application/pdf");
  ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", aCopies);
  // cupsDoFileRequest frees the request.
  std::unique_ptr<ipp_t, TIppDeleter> response(
      cupsDoFileRequest(http.get(), request, resource, aFile.c_str()));
  if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
    throw EOleException(Format("Impressora \"%s\" recusou o trabalho: %s", aUri,
                               std::string(cupsLastErrorString())));
  }
}

void PrintToDestination(const std::string& aPrinter, const std::string& aFile, int aCopies) {
  std::unique_ptr<cups_dest_t, TDestDeleter> dest(
      cupsGetNamedDest(CUPS_HTTP_DEFAULT, aPrinter.empty() ? nullptr : aPrinter.c_str(), nullptr));
  if (!dest) {
    if (aPrinter.empty()) throw EOleException("Nenhuma impressora padrão configurada.");
    throw EOleException(Format("Impressora \"%s\" não encontrada.", aPrinter));
  }
  const std::string name = dest->name;
  cups_option_t* options = nullptr;
  int count = 0;
  for (int i = 0; i < dest->num_options; ++i) {
    count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
  }
  count = cupsAddIntegerOption("copies", aCopies, count, &options);
  const int job =
      cupsPrintFile2(CUPS_HTTP_DEFAULT, name.c_str(), aFile.c_str(), "xndNFe", count, options);
  cupsFreeOptions(count, options);
  if (job == 0) {
    throw EOleException(Format("Impressora \"%s\" recusou o trabalho: %s", name,
                               std::string(cupsLastErrorString())));
  }
}

}  // namespace

TRenderedReport RenderReport(const IReportSettings& aSettings, bool aPngPages) {
  const TReportTemplate tmpl = LoadReportTemplate(aSettings.Template());
  const TReportData data = ParseReportData(aSettings.Data());
  TSurfacePtr logo;
  if (!Trim(aSettings.Logo()).empty()) logo = LoadLogo(aSettings.Logo());

  TPdfSink sink(aPngPages ? PngDpi : 0);
  switch (tmpl.Layout) {
    case rlDanfeRetrato:
      RenderDanfe(tmpl, DanfeRetratoGeometry(tmpl), data, logo.get(), sink);
      break;
    case rlDanfePaisagem:
      RenderDanfe(tmpl, DanfePaisagemGeometry(tmpl), data, logo.get(), sink);
      break;
    case rlCCe:
      RenderCCe(tmpl, data, aSettings.Xml(), sink);
      break;
  }
  TRenderedReport out;
  out.PageCount = sink.PageCount();
  out.PngPages = sink.PngPages();
  out.Pdf = sink.Finish();
  return out;
}

void ExportReport(const IReportSettings& aSettings) {
  const std::string file = Trim(aSettings.OutputFileName());
  if (file.empty()) throw EOleException("Arquivo de saída do relatório não informado.");
  const TRenderedReport report = RenderReport(aSettings, aSettings.ExportFormat() == 2);
  std::vector<std::string> written;
  try {
    for (std::size_t i = 0; i < report.PngPages.size(); ++i) {
      const std::string png = PngName(file, static_cast<int>(i) + 1);
      WriteOutput(png, report.PngPages[i]);
      written.push_back(png);
    }
    WriteOutput(file, report.Pdf);
  } catch (...) {
    for (const std::string& f : written) DeleteFile(f);
    throw;
  }
}

void PrintReport(const IReportSettings& aSettings, const std::string& aPrinter) {
  const int copies = aSettings.Copies();
  if (copies < 1 || copies > 999) {
    throw EOleException(Format("Número de cópias inválido: %d.", copies));
  }
  const TRenderedReport report = RenderReport(aSettings);
  const TTempPdf pdf(report.Pdf);
  if (IsIppAddress(aPrinter)) {
    PrintToAddress(aPrinter, pdf.Name(), copies);
  } else {
    PrintToDestination(aPrinter, pdf.Name(), copies);
  }
}

std::string PreviewReport(const IReportSettings& aSettings) {
  if (!aSettings.OnPreview) {
    throw EOleException("Visualização indisponível: nenhuma rotina de visualização foi instalada.");
  }
  const TRenderedReport report = RenderReport(aSettings);
  TTempPdf pdf(report.Pdf);
  aSettings.OnPreview(pdf.Name());
  return pdf.Release();
}

}  // namespace xnd::govx::report
