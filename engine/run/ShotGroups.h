#pragma once
// Files of one shot: a camera writes one exposure as several files of one name in one folder,
// such as IMG_0001.CR3 + IMG_0001.JPG + IMG_0001.XMP. With the option to keep shots together
// the run gives them one shot date, one folder and one number, and transfers them one after
// the other.
//
// A shot's members are the files of one folder whose names are equal up to the extension,
// compared ignoring (ASCII) case. Sidecars are files that describe a picture rather than being
// one (metadata, an index picture, a voice memo): they follow a picture that is imported even
// where the file-type filter would not take them, and come after the pictures of their shot.
#include "engine/shotdate/ShotDate.h"

#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// Whether a file name has one of the sidecar extensions (XMP, THM, WAV, AAE, PP3, DOP).
bool isSidecarName(std::string_view name);

// What the members of one shot share: the folder and the name without its extension, in upper
// case. Empty for a file that joins no shot: one without an extension, or with nothing before
// it (".xmp").
std::string shotKey(std::string_view folder, std::string_view name);

// The files of `paths` (full paths) grouped into shots, in the order of each shot's first file;
// within a shot the pictures come first, then the sidecars, each in the order given. A file
// joins the first shot of its key that doesn't hold its extension yet (ignoring case), so two
// members of a shot never get names that differ only in case: IMG.JPG and img.jpg, which a
// Linux folder can hold side by side, are two shots.
std::vector<std::vector<std::string>> groupShots(const std::vector<std::string>& paths);

// The date of a shot from its members' dates (none empty): by source, a JPEG's EXIF date, a RAW
// or HEIF picture's, a movie's, then a file time; the earliest among dates of the same rank.
ShotDate shotDateOfMembers(const std::vector<ShotDate>& dates);

} // namespace pixbako
