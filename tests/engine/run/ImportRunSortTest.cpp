#include "engine/run/RowSort.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace pixbako {
namespace {

// What the sort must give: the rows in time order, equal stamps in the order found.
void referenceSort(std::vector<PlannedFile>& list) {
    std::stable_sort(list.begin(), list.end(), [](const PlannedFile& a, const PlannedFile& b) {
        return stampText(a.shotDate) < stampText(b.shotDate);
    });
}

// Shot dates within a few seconds; milliseconds vary too, but the stamp (and so the order)
// knows only whole seconds.
std::vector<PlannedFile> randomList(std::mt19937& random, std::size_t rows, int distinctStamps) {
    std::vector<PlannedFile> list;
    std::uniform_int_distribution<int> pick(0, distinctStamps - 1);
    std::uniform_int_distribution<int> millisecond(0, 999);
    for (std::size_t i = 0; i < rows; ++i) {
        PlannedFile row;
        row.name = "IMG_" + std::to_string(i) + ".JPG";
        const int second = pick(random);
        row.shotDate = {2005, 3, 12, 12, second / 60, second % 60, millisecond(random)};
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
            std::vector<PlannedFile> expected = randomList(random, shape.rows, shape.distinct);
            std::vector<PlannedFile> actual = expected;
            referenceSort(expected);
            ASSERT_TRUE(sortRowsByTimeStamp(actual));
            ASSERT_EQ(actual, expected) << shape.rows << " rows, " << shape.distinct;
        }
    }
}

// A selection sort moved IMG_0001 behind IMG_0003 when an earlier picture was exchanged
// with it: three pictures of one second were numbered 3, 1, 2. Their milliseconds, which the
// stamp drops, must not reorder them either.
TEST(RowSort, PicturesOfOneSecondKeepTheCameraOrder) {
    std::vector<PlannedFile> list;
    int millisecond = 900;
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG"}) {
        PlannedFile row;
        row.name = name;
        row.shotDate = {2024, 5, 6, 10, 0, name[7] == '4' ? 0 : 1, millisecond};
        millisecond -= 300;
        list.push_back(row);
    }
    ASSERT_TRUE(sortRowsByTimeStamp(list));
    std::vector<std::string> names;
    for (const PlannedFile& row : list)
        names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0004.JPG", "IMG_0001.JPG", "IMG_0002.JPG",
                                               "IMG_0003.JPG"}));
}

TEST(RowSort, AbortAfterAnExchangeLeavesWholeRowsOnly) {
    std::vector<PlannedFile> list;
    for (int second : {3, 2, 1, 0}) {
        const std::string text = std::to_string(second);
        PlannedFile row{text, text, text, {2005, 3, 12, 0, 0, second, 0}, {text}, text};
        list.push_back(row);
    }
    int exchanges = 0;
    EXPECT_FALSE(sortRowsByTimeStamp(list, [&] { return ++exchanges < 1; }));
    EXPECT_EQ(exchanges, 1);
    const int after[] = {0, 2, 1, 3};
    for (std::size_t r = 0; r < 4; ++r) {
        const std::string text = std::to_string(after[r]);
        const PlannedFile whole{text, text, text, {2005, 3, 12, 0, 0, after[r], 0}, {text}, text};
        EXPECT_EQ(list[r], whole) << "row " << r;
    }
}

} // namespace
} // namespace pixbako
