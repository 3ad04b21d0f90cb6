#pragma once
// RAW-like files made while the tests run: the containers' structures with real JPEG previews
// (from ThumbnailTestPictures) where cameras put them, and a lossless-JPEG stand-in for the
// raw data, which must never be taken for a preview.
#include <string>

namespace pixbako::test {

// A TIFF-based RAW: `small` through JPEGInterchangeFormat of IFD0, `large` as the single
// compression-6 strip of the first sub-directory, the raw data in the second.
std::string tiffRaw(bool bigEndian, const std::string& small, const std::string& large);
// A Panasonic-style file (magic 0x55) whose IFD0 holds `preview` as the bytes of tag 0x2E.
std::string rw2Raw(const std::string& preview);
// A RAF header pointing at `preview`.
std::string rafRaw(const std::string& preview);
// A CR3 with `thumbnail` in the THMB box and `preview` in the PRVW box.
std::string cr3Raw(const std::string& thumbnail, const std::string& preview);

} // namespace pixbako::test
