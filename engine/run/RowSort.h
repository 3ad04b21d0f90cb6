#pragma once
// Sorting the processed-file list by time stamp (folder mode).
//
// The order is exactly the one a selection sort gives: for each position p, the first row with
// the smallest stamp among rows p..n (a later row wins only with a strictly smaller stamp) is
// exchanged with row p. Rows with equal stamps can therefore change their relative order, and
// files shot in the same second are numbered in that order, as they always have been. The
// same permutation is reached in O(n log n): a segment tree answers "first minimum in p..n"
// and is updated at the two exchanged positions.
#include "engine/run/FileList.h"

#include <functional>

namespace pixbako {

// Sorts rows 1..n of the list (row 0, the headings, stays) by column 2, compared byte by byte.
// `afterExchange` runs after each exchange of two whole rows (rows are never left half
// exchanged); when it returns false the sort stops there and the function returns false.
bool sortRowsByTimeStamp(FileList& list, const std::function<bool()>& afterExchange = {});

} // namespace pixbako
