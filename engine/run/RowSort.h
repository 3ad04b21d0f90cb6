#pragma once
// Sorting the processed-file list by time stamp (folder mode).
//
// The sort is stable: rows with equal stamps keep the order in which the folder scan found
// them, so pictures shot within one second are numbered in the camera's own order
// (IMG_0001, IMG_0002, ...), and the files of one shot, which share their date and follow each
// other, stay together in their order. Rows with different stamps end up in time order. The
// order is computed first and then brought about by exchanges of whole rows, each exchange
// putting one row in its final place, so that the sort can stop between two exchanges.
#include "engine/run/PlannedFile.h"

#include <functional>
#include <vector>

namespace pixbako {

// Sorts the rows by their time stamps (shot dates to the whole second).
// `afterExchange` runs after each exchange of two whole rows (rows are never left half
// exchanged); when it returns false the sort stops there and the function returns false.
bool sortRowsByTimeStamp(std::vector<PlannedFile>& list,
                         const std::function<bool()>& afterExchange = {});

} // namespace pixbako
