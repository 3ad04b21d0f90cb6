#include "engine/run/RowSort.h"

#include <gtest/gtest.h>
#include <random>

namespace pixbako {
namespace {

// The sort as it has always been written: first minimum, cell-by-cell exchange of rows p, m.
void plainSelectionSort(FileList& list) {
    const std::size_t n = list.size() - 1;
    for (std::size_t p = 1; p < n; ++p) {
        std::size_t m = p;
        for (std::size_t r = p + 1; r <= n; ++r)
            if (list[r][kTimeStampColumn] < list[m][kTimeStampColumn])
                m = r;
        if (m != p)
            for (std::size_t c = 0; c < kFileListColumns; ++c)
                std::swap(list[p][c], list[m][c]);
    }
}

FileList randomList(std::mt19937& random, std::size_t rows, int distinctStamps) {
    FileList list = emptyFileList();
    std::uniform_int_distribution<int> pick(0, distinctStamps - 1);
    for (std::size_t i = 0; i < rows; ++i) {
        FileListRow row;
        row[kOldNameColumn] = "IMG_" + std::to_string(i) + ".JPG";
        row[kTimeStampColumn] = "2005031212" + std::to_string(1000 + pick(random));
        list.push_back(row);
    }
    return list;
}

TEST(RowSort, GivesTheSelectionSortPermutationWithManyEqualStamps) {
    std::mt19937 random(20050312);
    const struct {
        std::size_t rows;
        int distinct;
    } shapes[] = {{0, 1},  {1, 1},  {2, 1},   {2, 2},    {3, 2},
                  {17, 3}, {64, 5}, {100, 1}, {257, 40}, {500, 500}};
    for (const auto& shape : shapes) {
        for (int round = 0; round < (shape.rows > 100 ? 3 : 20); ++round) {
            FileList expected = randomList(random, shape.rows, shape.distinct);
            FileList actual = expected;
            plainSelectionSort(expected);
            ASSERT_TRUE(sortRowsByTimeStamp(actual));
            ASSERT_EQ(actual, expected) << shape.rows << " rows, " << shape.distinct;
        }
    }
}

TEST(RowSort, AbortAfterAnExchangeLeavesWholeRowsOnly) {
    FileList list = emptyFileList();
    for (const char* stamp : {"3", "2", "1", "0"}) {
        FileListRow row;
        for (auto& cell : row.cells)
            cell = stamp;
        list.push_back(row);
    }
    int exchanges = 0;
    EXPECT_FALSE(sortRowsByTimeStamp(list, [&] { return ++exchanges < 1; }));
    EXPECT_EQ(exchanges, 1);
    const char* after[] = {"0", "2", "1", "3"};
    for (std::size_t r = 1; r <= 4; ++r)
        for (const auto& cell : list[r].cells)
            EXPECT_EQ(cell, after[r - 1]) << "row " << r;
    EXPECT_EQ(list[0], fileListHeadings());
}

} // namespace
} // namespace pixbako
