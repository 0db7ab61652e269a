// xndNFe: every public header of the library in one include.
#pragma once

#include "platform/com.h"
#include "platform/component.h"
#include "platform/dataset.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/stringlist.h"
#include "platform/text.h"

#include "external/xndGovUtils.h"
#include "external/xndGovUtilsIntf.h"
#include "external/xndGovX.h"
#include "external/xndGovXIntf.h"

#include "types/xndComLib.h"
#include "types/xndNFeExceptions.h"
#include "types/xndNFeType.h"

#include "utils/xndNFeXMLLogs.h"
#include "utils/xndNFeXmlUtils.h"

#include "services/xndNFE30Intf.h"
#include "services/xndNFE40Intf.h"
#include "services/xndNFE50Intf.h"
#include "services/xndNFE50aIntf.h"
#include "services/xndNFEInterface.h"

#include "danfe/xndNFeDanfe.h"
#include "datasets/xndNFeCustomDataSet.h"
#include "datasets/xndNFeDataSetVersoes.h"
#include "datasets/xndNFeDataSets.h"
#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRules.h"
#include "rules/xndRules.h"
#include "events/xndNFeEventos.h"
#include "events/xndNFeEventosBase.h"
#include "events/xndNFeEventosXmlUtils.h"
#include "nfe/xndNFe.h"
