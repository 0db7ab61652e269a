// Helpers of the report tests: print data in the dataset serializer's shape,
// the shipped templates, and the independent tools that read the documents
// back (pdfinfo, pdftotext, pdftoppm + zbarimg).
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace xnd::test {

using TFieldValues = std::vector<std::pair<std::string, std::string>>;

// One record: its field objects, then the nested dataset objects.
nlohmann::json SerializedRecord(const TFieldValues& aFields,
                                const std::vector<nlohmann::json>& aDetails = {});
// A dataset object; aMaster non-empty makes it a nested (detail) one.
nlohmann::json SerializedDataSet(const std::string& aName,
                                 const std::vector<nlohmann::json>& aRecords,
                                 const std::string& aMaster = "");

// The DANFE data of one note: "Dados" with the given fields, its items and
// duplicates (a dataset without records is written as one empty record).
std::string DanfeJson(const TFieldValues& aDados, const std::vector<TFieldValues>& aItems,
                      const std::vector<TFieldValues>& aDuplicates = {});
// aCount items "ITEM-0001"... each described "PRODUTO NUMERO 0001 ...".
std::vector<TFieldValues> NumberedItems(int aCount);
// The header fields of the 3.10 public sample (number 992346, series 1).
TFieldValues SampleDados();

// The serializer's JSON of a public sample (tests/danfe/data/, written by the
// DANFE data classes from ../shared/fixtures).
std::string ReportData(const std::string& aName);
// A shipped template under data/Templates/.
std::string ShippedTemplate(const std::string& aRelative);

struct CommandResult {
  int Status = -1;
  std::string Output;
};
// Runs a shell command; its standard output, and its standard error too
// unless aWithErrors is false.
CommandResult Run(const std::string& aCommand, bool aWithErrors = true);
std::string Quote(const std::string& aPath);

struct PdfInfo {
  int Pages = 0;
  double Width = 0, Height = 0;
};
PdfInfo ReadPdfInfo(const std::string& aPdf);
// pdftotext -layout of one page (or every page with 0).
std::string PdfText(const std::string& aPdf, int aPage = 0);
// The bar codes zbarimg finds on a page rendered at 300 dpi ("CODE-128:...").
std::vector<std::string> PdfBarcodes(const std::string& aPdf, int aPage = 1);
// How many times aNeedle occurs in aText.
int Count(const std::string& aText, const std::string& aNeedle);
// Words drawn outside the page box (pdftotext -bbox), as "word@page".
std::vector<std::string> WordsOutsidePage(const std::string& aPdf);

}  // namespace xnd::test
