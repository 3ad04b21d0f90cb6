#include "engine/scan/FolderScanner.h"

#include "support/TempFolder.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pixbako {
namespace {

// root/
//   A.JPG  b.jpg  note.txt
//   sub/    c.jpg  deep/ d.jpg
//   x.JPG/  e.jpg  f.txt        (a folder whose name matches *.JPG)
class Walk : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dir : {"sub", "sub/deep", "x.JPG"})
            ASSERT_EQ(::mkdir(at(dir).c_str(), 0755), 0) << dir;
        for (const char* file : {"A.JPG", "b.jpg", "note.txt", "sub/c.jpg", "sub/deep/d.jpg",
                                 "x.JPG/e.jpg", "x.JPG/f.txt"})
            std::ofstream(at(file)) << "data";
        search.directory = temp.path();
    }

    std::string at(const std::string& relative) const { return temp.path() + "/" + relative; }
    std::string relative(const std::string& name) const {
        EXPECT_EQ(name.rfind(temp.path() + "/", 0), 0u) << name;
        return name.substr(temp.path().size() + 1);
    }

    // Records every handler call as "dir:" or "find:" with the path relative to the root.
    void recordBoth() {
        search.onFind = [this](FolderScanner&, const std::string& name, const FoundEntry&, bool&) {
            events.push_back("find:" + relative(name));
        };
        search.onFindDir = [this](FolderScanner&, const std::string& name, const FoundEntry&, bool&,
                                  bool&) { events.push_back("dir:" + relative(name)); };
    }

    TempFolder temp;
    FolderScanner search;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(Walk, ShapesOfTheWalk) {
    enum class DirAnswer { Leave, Skip, Ignore, Enter };
    struct Case {
        const char* what;
        bool recursive;
        const char* pattern;
        std::map<std::string, DirAnswer> answers; // by relative folder name
        Events expected;
    };
    const Case cases[] = {
        {"not recursive: folders reported, not entered",
         false,
         "*.*",
         {},
         {"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "find:sub", "dir:x.JPG",
          "find:x.JPG"}},
        {"recursive: pre-order, name order",
         true,
         "*.*",
         {},
         {"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "find:sub", "find:sub/c.jpg",
          "dir:sub/deep", "find:sub/deep", "find:sub/deep/d.jpg", "dir:x.JPG", "find:x.JPG",
          "find:x.JPG/e.jpg", "find:x.JPG/f.txt"}},
        {"the pattern filters folders too",
         true,
         "*.JPG",
         {},
         {"find:A.JPG", "find:b.jpg", "dir:x.JPG", "find:x.JPG", "find:x.JPG/e.jpg"}},
        {"Skip: neither reported nor entered",
         true,
         "*.*",
         {{"sub", DirAnswer::Skip}, {"x.JPG", DirAnswer::Skip}},
         {"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "dir:x.JPG"}},
        {"IgnoreSubdir set: reported, not entered",
         true,
         "*.*",
         {{"sub", DirAnswer::Ignore}},
         {"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "find:sub", "dir:x.JPG",
          "find:x.JPG", "find:x.JPG/e.jpg", "find:x.JPG/f.txt"}},
        {"IgnoreSubdir cleared without Recursive: that one folder is entered",
         false,
         "*.*",
         {{"sub", DirAnswer::Enter}},
         {"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "find:sub", "find:sub/c.jpg",
          "dir:sub/deep", "find:sub/deep", "dir:x.JPG", "find:x.JPG"}},
    };
    for (const auto& c : cases) {
        events.clear();
        recordBoth();
        search.recursive = c.recursive;
        search.searchName = c.pattern;
        auto record = search.onFindDir;
        search.onFindDir = [&, record](FolderScanner& sender, const std::string& name,
                                       const FoundEntry& data, bool& skip, bool& ignore) {
            EXPECT_FALSE(skip);
            EXPECT_EQ(ignore, !c.recursive);
            record(sender, name, data, skip, ignore);
            auto it = c.answers.find(relative(name));
            if (it == c.answers.end())
                return;
            skip = it->second == DirAnswer::Skip;
            ignore = it->second == DirAnswer::Ignore;
        };
        EXPECT_TRUE(search.run()) << c.what;
        EXPECT_EQ(events, c.expected) << c.what;
    }
}

TEST_F(Walk, ContinueFalseStopsEverythingAtEveryDepth) {
    for (const char* stopAt : {"A.JPG", "sub/c.jpg", "sub/deep/d.jpg", "x.JPG/f.txt"}) {
        events.clear();
        search.recursive = true;
        search.onFind = [&](FolderScanner&, const std::string& name, const FoundEntry&,
                            bool& carryOn) {
            EXPECT_TRUE(carryOn);
            events.push_back(relative(name));
            carryOn = relative(name) != stopAt;
        };
        EXPECT_FALSE(search.run()) << stopAt;
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), stopAt);
        EXPECT_EQ(std::count(events.begin(), events.end(), stopAt), 1);
        EXPECT_FALSE(search.searching());
    }
}

TEST_F(Walk, OnlyOnFindDirAssignedStillWalks) {
    search.recursive = true;
    search.onFindDir = [&](FolderScanner&, const std::string& name, const FoundEntry& data, bool&,
                           bool&) {
        EXPECT_TRUE(data.isDirectory);
        events.push_back(relative(name));
    };
    EXPECT_TRUE(search.run());
    EXPECT_EQ(events, (Events{"sub", "sub/deep", "x.JPG"}));
}

TEST_F(Walk, RefusesToStart) {
    EXPECT_FALSE(search.run()); // no handler
    recordBoth();
    for (std::string directory : {std::string(), at("none"), at("note.txt")}) {
        search.directory = directory;
        EXPECT_FALSE(search.run()) << directory;
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(Walk, EmptyFolderCallsNoHandler) {
    search.directory = at("sub/deep/empty");
    ASSERT_EQ(::mkdir(search.directory.c_str(), 0755), 0);
    recordBoth();
    EXPECT_TRUE(search.run());
    EXPECT_TRUE(events.empty());
}

TEST_F(Walk, NestedExecuteIsRefused) {
    int nestedResults = 0;
    search.onFind = [&](FolderScanner& sender, const std::string&, const FoundEntry&, bool&) {
        EXPECT_TRUE(sender.searching());
        EXPECT_FALSE(sender.run());
        ++nestedResults;
    };
    EXPECT_TRUE(search.run());
    EXPECT_EQ(nestedResults, 5);
    EXPECT_FALSE(search.searching());
}

TEST_F(Walk, ExceptionPassesThroughAndTheNextWalkWorks) {
    search.recursive = true;
    search.onFind = [](FolderScanner&, const std::string& name, const FoundEntry&, bool&) {
        if (name.ends_with("/d.jpg"))
            throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(search.run(), std::runtime_error);
    EXPECT_FALSE(search.searching());
    recordBoth();
    EXPECT_TRUE(search.run());
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/deep/d.jpg"), 1);
}

TEST_F(Walk, HandlerThatReplacesItselfDoesNotDestroyItselfWhileRunning) {
    std::string captured(100, 'x'); // large enough to live on the heap inside the function
    int calls = 0;
    search.onFind = [&, captured](FolderScanner& sender, const std::string&, const FoundEntry&,
                                  bool&) {
        sender.onFind = nullptr;
        ++calls;
        EXPECT_EQ(captured.size(), 100u);
    };
    EXPECT_TRUE(search.run());
    EXPECT_EQ(calls, 1);
}

TEST_F(Walk, NamesAreAbsoluteWithOneDelimiter) {
    const std::string before = std::filesystem::current_path();
    ASSERT_EQ(::chdir(at("sub").c_str()), 0);
    for (const char* directory : {"../x.JPG", "../x.JPG/", ".././x.JPG//"}) {
        events.clear();
        search.directory = directory;
        search.onFind = [&](FolderScanner&, const std::string& name, const FoundEntry&, bool&) {
            events.push_back(name);
        };
        EXPECT_TRUE(search.run());
        EXPECT_EQ(events, (Events{at("x.JPG/e.jpg"), at("x.JPG/f.txt")})) << directory;
    }
    ASSERT_EQ(::chdir(before.c_str()), 0);
}

TEST(WalkRoot, NamesUnderTheRootHaveOneDelimiter) {
    FolderScanner search;
    search.directory = "/";
    std::vector<std::string> names;
    search.onFind = [&](FolderScanner&, const std::string& name, const FoundEntry&, bool&) {
        names.push_back(name);
    };
    EXPECT_TRUE(search.run());
    EXPECT_NE(std::find(names.begin(), names.end(), "/usr"), names.end());
    for (const auto& name : names)
        EXPECT_NE(name.rfind("//", 0), 0u) << name;
}

TEST_F(Walk, SymbolicLinkLoopIsEnteredOnce) {
    ASSERT_EQ(::symlink("..", at("sub/deep/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", at("sub/self").c_str()), 0);
    // The top folder's identity is taken apart from its entries': the two must agree.
    ASSERT_EQ(::symlink("../..", at("sub/deep/top").c_str()), 0);
    search.recursive = true;
    recordBoth();
    EXPECT_TRUE(search.run());
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/c.jpg"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/deep/d.jpg"), 1);
    // The links are entries of their folders, reported but not walked.
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/deep/up"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/self"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/deep/top"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:A.JPG"), 1);
    EXPECT_EQ(events.size(), 19u);
}

TEST_F(Walk, FolderThatVanishesBeforeItIsEnteredContributesNothing) {
    search.recursive = true;
    recordBoth();
    auto record = search.onFindDir;
    search.onFindDir = [&](FolderScanner& sender, const std::string& name, const FoundEntry& data,
                           bool& skip, bool& ignore) {
        record(sender, name, data, skip, ignore);
        if (relative(name) == "sub")
            std::filesystem::remove_all(name);
    };
    EXPECT_TRUE(search.run());
    EXPECT_EQ(events, (Events{"find:A.JPG", "find:b.jpg", "find:note.txt", "dir:sub", "find:sub",
                              "dir:x.JPG", "find:x.JPG", "find:x.JPG/e.jpg", "find:x.JPG/f.txt"}));
}

TEST_F(Walk, UnreadableFolderContributesNothing) {
    ASSERT_EQ(::chmod(at("sub").c_str(), 0), 0);
    if (::access(at("sub").c_str(), R_OK) == 0)
        GTEST_SKIP() << "permissions don't apply to this user (root)";
    search.recursive = true;
    recordBoth();
    EXPECT_TRUE(search.run());
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:sub/c.jpg"), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "find:x.JPG/e.jpg"), 1);
}

TEST_F(Walk, ReportsTheFindDataOfEachEntry) {
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    // 2004-06-06 12:34:56 JST; a sparse file over 4 GiB.
    const timespec times[2] = {{1'086'492'896, 0}, {1'086'492'896, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, at("b.jpg").c_str(), times, 0), 0);
    constexpr std::int64_t kBig = (5LL << 30) + 7;
    ASSERT_EQ(::truncate(at("A.JPG").c_str(), kBig), 0);

    std::map<std::string, FoundEntry> found;
    search.onFind = [&](FolderScanner&, const std::string& name, const FoundEntry& data, bool&) {
        found[relative(name)] = data;
    };
    EXPECT_TRUE(search.run());
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();

    EXPECT_EQ(found["A.JPG"].size, kBig);
    const auto& b = found["b.jpg"];
    EXPECT_EQ(b.fileName, "b.jpg");
    EXPECT_EQ(b.shortName, "b.jpg");
    EXPECT_TRUE(b.lastWriteTimeOk);
    EXPECT_EQ(toMilliseconds(b.lastWriteTime),
              toMilliseconds(*encodeDateTime(2004, 6, 6, 12, 34, 56)));
    EXPECT_TRUE(b.lastAccessTimeOk);
    EXPECT_TRUE(b.isArchive);
    EXPECT_FALSE(b.isDirectory || b.isSystem || b.isHidden);
    EXPECT_TRUE(found["sub"].isDirectory);
    EXPECT_FALSE(found["sub"].isArchive);
}

} // namespace
} // namespace pixbako
