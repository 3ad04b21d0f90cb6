#pragma once
// The thumbnail that cameras embed in the EXIF block of a JPEG file, found the way the builder
// always has: in the first APP1 segment when it starts with "Exif" and a zero byte, through the
// second directory (IFD1), whose Compression tag "0103" must read 6 (JPEG) and whose tag "0201"
// gives the thumbnail's offset from the TIFF header. The data run from there to the end of the
// collected APP1 data; the decoder stops at the thumbnail's end marker.
//
// It reads the APP1 data that the shot-date reader collects (collectApp1Data), so a file's head
// is walked by one bounded marker reader only. Every offset is checked before it is read.
#include "engine/shotdate/ShotDate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

// An entry's value as text: type 1 each byte in decimal; type 3 each value as "$" and four
// upper-case hexadecimal digits; type 4 as "$" and eight; values separated by ";"; types 2 and
// 7 the bytes as characters; other types the empty text. The value stands in the value field
// when it fits (types 1, 2, 6, 7 up to 4 values; 3, 8 up to 2; 4, 9, 11 one), else at the
// field's offset from the TIFF header. nullopt when the value's bytes lie outside the data.
std::optional<std::string> ifdValueText(std::string_view tiff, TiffByteOrder order,
                                        const TiffEntry& entry);

// A value text read as a 32-bit number: optional blanks and sign, then decimal digits, or "$"
// or "0x" and hexadecimal digits; the text ends at its end or at a zero byte. nullopt when it
// is no such number or does not fit 32 bits.
std::optional<std::int64_t> valueTextNumber(std::string_view text);

// The EXIF thumbnail's JPEG data in collected APP1 data (the first APP1 payload at its start);
// nullopt when there is none that can be used.
std::optional<std::string_view> findExifThumbnail(std::string_view collected);

// The EXIF thumbnail of the JPEG bytes of a source: reads the markers up to the start of scan
// only. nullopt when there is none or the head of the file is broken.
std::optional<std::string> readExifThumbnail(ByteSource& source);

} // namespace pixbako
