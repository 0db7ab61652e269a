// The dataset serializer: the print data handed to the report engine as one
// JSON text.
//
// Shape: an array of dataset objects {"Items": [...], "Name": "<dataset>"};
// each element of "Items" is one record, an array of field objects
// {"Name", "Value", "Size", "Type": "string"} in field order, followed by one
// nested dataset object per detail of the dataset (in link order) holding the
// detail records of that record, with "Type": "dataset", "IndexFieldNames"
// and "MasterFields" after "Items" and "Name". A dataset without records is
// written as one record of empty values.
#pragma once

#include <string>
#include <vector>

#include "platform/dataset.h"

namespace xnd {

// The datasets of aSources, in list order, each with its details nested; a
// dataset that is a detail of another dataset of the list is written only
// nested. Null sources are skipped; an empty list gives "". Moves the
// datasets' cursors; raises what the datasets raise (a closed dataset).
std::string SerializarDataSources(const std::vector<TDataSource*>& aSources);

}  // namespace xnd
