// The printed CC-e (correction letter): title, issuer and recipient, access
// key with its bar code, sequence, protocol and date of the registration, the
// correction text with its line breaks and the conditions of use.
#pragma once

#include <string>

#include "servers/govx/report/ReportData.h"
#include "servers/govx/report/ReportPages.h"
#include "servers/govx/report/ReportTemplate.h"

namespace xnd::govx::report {

// The legal text of the conditions of use of the CC-e, printed when the event
// XML does not carry its own xCondUso.
extern const char* const CondicoesUsoCCe;

// One page per record of "Dados" (CNPJ, chNFe, nProt, dhRegEvento,
// nSeqEvento, xCorrecao, cOrgao, CPFCNPJDest). aXml is the event document the
// data came from; its xCondUso and tpAmb are read when it parses.
void RenderCCe(const TReportTemplate& aTemplate, const TReportData& aData, const std::string& aXml,
               TPageSink& aSink);

}  // namespace xnd::govx::report
