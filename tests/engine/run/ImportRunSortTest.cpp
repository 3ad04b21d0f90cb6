#include "engine/run/RowSort.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace pixbako {
namespace {

// What the sort must give: the rows in time order, equal stamps in the order found.
void referenceSort(FileList& list) {
    std::stable_sort(list.begin() + 1, list.end(), [](const FileListRow& a, const FileListRow& b) {
        return a[kTimeStampColumn] < b[kTimeStampColumn];
    });
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

TEST(RowSort, SortsByStampKeepingTheFoundOrderOfEqualStamps) {
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
            referenceSort(expected);
            ASSERT_TRUE(sortRowsByTimeStamp(actual));
            ASSERT_EQ(actual, expected) << shape.rows << " rows, " << shape.distinct;
        }
    }
}

// A selection sort moved IMG_0001 behind IMG_0003 when an earlier picture was exchanged
// with it: three pictures of one second were numbered 3, 1, 2.
TEST(RowSort, PicturesOfOneSecondKeepTheCameraOrder) {
    FileList list = emptyFileList();
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG"}) {
        FileListRow row;
        row[kOldNameColumn] = name;
        row[kTimeStampColumn] = name[7] == '4' ? "20240506100000" : "20240506100001";
        list.push_back(row);
    }
    ASSERT_TRUE(sortRowsByTimeStamp(list));
    std::vector<std::string> names;
    for (std::size_t r = 1; r < list.size(); ++r)
        names.push_back(list[r][kOldNameColumn]);
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0004.JPG", "IMG_0001.JPG", "IMG_0002.JPG",
                                               "IMG_0003.JPG"}));
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
