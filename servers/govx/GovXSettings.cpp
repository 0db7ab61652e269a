#include "servers/govx/GovXSettings.h"

#include "platform/files.h"
#include "platform/text.h"

namespace xnd::govx {

std::string FirstCertificateName(const std::string& aText) {
  std::size_t start = 0;
  while (start <= aText.size()) {
    std::size_t end = aText.find_first_of("\r\n", start);
    if (end == std::string::npos) end = aText.size();
    std::string line = Trim(std::string_view(aText).substr(start, end - start));
    if (!line.empty()) return line;
    start = end + 1;
  }
  return {};
}

TCertificateSelection TCertificateValues::Selection() const {
  return TCertificateSelection{FKind, FirstCertificateName(FName),
                               NormalizePathSeparators(Trim(FPath)), FPassword};
}

}  // namespace xnd::govx
