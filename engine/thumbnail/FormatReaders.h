#pragma once
// Readers of the picture-format table for files whose thumbnails come from libraries beyond
// libjpeg: HEIC/HEIF pictures (libheif) and movies (FFmpeg). RAW files are RawPreview.h's.
// All are safe to call from several threads at once and never throw.
#include "engine/thumbnail/RgbImage.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

// The picture's stored thumbnail when the file has one, else the primary picture.
std::optional<DecodedPicture> readHeifPicture(const std::string& path, int thumbnailSize);

// How long reading one movie may take before it counts as unreadable.
inline constexpr std::chrono::milliseconds kMovieTimeLimit{1000};

// The first frame of the movie's first video stream, decoded on this thread alone. A file
// that takes longer than `limit` gives nullopt.
std::optional<DecodedPicture> readMoviePicture(const std::string& path, int thumbnailSize,
                                               std::chrono::milliseconds limit = kMovieTimeLimit);

// The extensions (lower case, with the dot) of each reader.
const std::vector<std::string>& heifExtensions();
const std::vector<std::string>& movieExtensions();

} // namespace pixbako
