#pragma once
// HEIC pictures and movies made while the tests run, with libheif's and FFmpeg's own encoders
// (independent of the readers under test). Each picture is one flat colour, so that a test can
// tell which picture or frame a thumbnail came from.
#include <cstdint>
#include <string>

namespace pixbako::test {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// False when this libheif has no HEVC encoder. thumbnailBox > 0 adds a stored thumbnail that
// fits that square, in `thumbnailColour` (its own colour, so that tests see where it came from).
bool writeTestHeic(const std::string& path, int width, int height, Rgb colour, int thumbnailBox = 0,
                   Rgb thumbnailColour = {});

// A movie of `frames` frames of width x height in `container` ("avi", "mov" or "mpeg"): MJPEG,
// or MPEG-1 video for "mpeg". The first frame has `first`, every later one `later`.
bool writeTestMovie(const std::string& path, const std::string& container, int width, int height,
                    int frames, Rgb first, Rgb later);

} // namespace pixbako::test
