#include "engine/run/ShotGroups.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

using Groups = std::vector<std::vector<std::string>>;

TEST(ShotGroups, FilesOfOneNameInOneFolderFormOneShotPicturesFirst) {
    const struct {
        const char* what;
        std::vector<std::string> paths;
        Groups shots;
    } cases[] = {
        {"sidecar found before its picture follows it",
         {"/c/IMG_1.AAE", "/c/IMG_1.CR3", "/c/IMG_1.JPG", "/c/IMG_2.JPG"},
         {{"/c/IMG_1.CR3", "/c/IMG_1.JPG", "/c/IMG_1.AAE"}, {"/c/IMG_2.JPG"}}},
        {"names compared ignoring case, members need not be neighbours",
         {"/c/img_1.jpg", "/c/IMG_1-2.JPG", "/c/IMG_1.xmp"},
         {{"/c/img_1.jpg", "/c/IMG_1.xmp"}, {"/c/IMG_1-2.JPG"}}},
        {"another folder is another shot",
         {"/c/a/IMG_1.JPG", "/c/b/IMG_1.XMP"},
         {{"/c/a/IMG_1.JPG"}, {"/c/b/IMG_1.XMP"}}},
        {"an extension a shot holds already starts another shot",
         {"/c/IMG_1.JPG", "/c/img_1.jpg", "/c/IMG_1.XMP", "/c/img_1.xmp"},
         {{"/c/IMG_1.JPG", "/c/IMG_1.XMP"}, {"/c/img_1.jpg", "/c/img_1.xmp"}}},
        {"no extension or nothing before it: on its own",
         {"/c/IMG_1", "/c/IMG_1.JPG", "/c/.xmp", "/c/.XMP"},
         {{"/c/IMG_1"}, {"/c/IMG_1.JPG"}, {"/c/.xmp"}, {"/c/.XMP"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(groupShots(c.paths), c.shots) << c.what;
}

TEST(ShotGroups, ShotDateTakesTheFilesOwnDateBySourceElseTheEarliestFileTime) {
    const LocalDateTime early{2005, 3, 12, 9, 0, 0};
    const LocalDateTime middle{2005, 3, 12, 10, 0, 0};
    const LocalDateTime late{2005, 3, 13, 11, 0, 0};
    using enum ShotDateSource;
    auto date = [](LocalDateTime value, ShotDateSource source) {
        return ShotDate{value, source != FileTime, source};
    };
    const struct {
        std::vector<ShotDate> dates;
        ShotDate chosen;
    } cases[] = {
        {{date(late, FileTime)}, date(late, FileTime)},
        {{date(early, FileTime), date(late, Exif)}, date(late, Exif)},
        {{date(late, Exif), date(middle, Exif), date(early, FileTime)}, date(middle, Exif)},
        {{date(late, FileTime), date(early, FileTime), date(middle, FileTime)},
         date(early, FileTime)},
        // A JPEG's EXIF date over the RAW's, the RAW's over a movie's, a movie's over file times.
        {{date(early, Raw), date(late, Exif)}, date(late, Exif)},
        {{date(early, Movie), date(late, Heif)}, date(late, Heif)},
        {{date(early, FileTime), date(late, Movie)}, date(late, Movie)},
    };
    for (const auto& c : cases) {
        const ShotDate chosen = shotDateOfMembers(c.dates);
        EXPECT_EQ(chosen.value, c.chosen.value);
        EXPECT_EQ(chosen.source, c.chosen.source);
    }
}

} // namespace
} // namespace pixbako
