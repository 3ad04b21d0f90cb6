// pixbako-probe [--all-formats] [--pattern P] FILE...: prints the shot date that Pixbako gives
// each file, one tab-separated line per file: the path, the date as YYYY-MM-DD HH:MM:SS and
// where it came from ("exif", "raw", "heif", "movie" or "filetime"), and with --pattern the
// text that the date pattern P makes of it. --all-formats reads the dates of RAW pictures,
// HEIF pictures and movies too, as the run does with that option on; --shots gives the files of
// one shot (one folder, names that differ only in the extension) their shot's date, as a run
// that keeps shots together does. A file that fails gets its
// path and the error message instead; the exit code is then 1. Control characters in any field are
// written as escapes (\t, \n, \r, \xHH; a backslash as
// \\), so that every file is exactly one line and nothing reaches the terminal raw.
//
// pixbako-probe [--all-formats] --thumbnail SIZE OUTDIR FILE...: builds each file's thumbnail as
// the thumbnail box does (longer side SIZE) and writes the JPEG it would keep in its cache file
// into OUTDIR as N-NAME.jpg (N counting the files from 1); prints per file the path, the written
// file, width, height and "exif" (the embedded EXIF thumbnail) or "picture" (the whole picture), or
// the path and "Non Image". Bitmaps are read by the program's Qt reader, which the probe does
// not link: here they get "Non Image" like every file outside the JPEG types. --all-formats
// adds RAW previews, HEIC pictures and movie frames, as the program does with the option to
// read those formats.
#include "engine/datepattern/DateFormat.h"
#include "engine/run/ShotGroups.h"
#include "engine/shotdate/ShotDate.h"
#include "engine/thumbnail/ThumbnailMaker.h"
#include "platform/FileSizeSignal.h"
#include "platform/FileTime.h"
#include "platform/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace pixbako;

int usage() {
    std::fputs("usage: pixbako-probe [--all-formats] [--shots] [--pattern P] FILE...\n"
               "       pixbako-probe [--all-formats] --thumbnail SIZE OUTDIR FILE...\n",
               stderr);
    return 2;
}

int thumbnails(int size, const std::string& outDir, const std::vector<std::string>& files,
               bool allFormats) {
    if (size < 1)
        return usage();
    int status = 0;
    try {
        ThumbnailMaker maker(outDir);
        maker.setAllFormats(allFormats);
        int index = 0;
        for (const auto& file : files) {
            ThumbnailResult result = maker.makeThumbnail(file, size);
            std::string line = file + "\t";
            if (result.state != 1) {
                line += "Non Image";
            } else {
                std::string out =
                    outDir + "/" + std::to_string(++index) + "-" + fileNameOf(file) + ".jpg";
                std::FILE* f = std::fopen(out.c_str(), "wb");
                bool written = f && std::fwrite(result.jpeg.data(), 1, result.jpeg.size(), f) ==
                                        result.jpeg.size();
                if (f && std::fclose(f) != 0)
                    written = false;
                if (!written)
                    status = 1;
                line += out + "\t" + std::to_string(result.width) + "\t" +
                        std::to_string(result.height) + "\t" +
                        (result.origin == ThumbnailOrigin::Exif ? "exif" : "picture");
                if (!written)
                    line += "\tcannot write";
            }
            line += "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
    } catch (const ThumbnailCacheError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return status;
}

std::string dateText(const LocalDateTime& p) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

const char* sourceName(ShotDateSource source) {
    switch (source) {
    case ShotDateSource::Exif:
        return "exif";
    case ShotDateSource::Raw:
        return "raw";
    case ShotDateSource::Heif:
        return "heif";
    case ShotDateSource::Movie:
        return "movie";
    case ShotDateSource::FileTime:
        break;
    }
    return "filetime";
}

// Escapes C0 controls, DEL and the C1 controls of UTF-8 (U+0080 to U+009F, which some
// terminals obey as well), byte by byte. Other bytes, invalid UTF-8 included, pass unchanged.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto hex = [&out](unsigned char c) {
        char code[5];
        std::snprintf(code, sizeof code, "\\x%02x", c);
        out += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7F)
            hex(c);
        else if (c == 0xC2 && i + 1 < text.size() &&
                 static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            hex(c);
            hex(static_cast<unsigned char>(text[++i]));
        } else
            out += text[i];
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    // Output redirected to a file past `ulimit -f` then fails to write instead of killing.
    ignoreFileSizeSignal();
    std::optional<std::string> pattern;
    std::vector<std::string> files;
    const bool allFormatThumbnails = argc >= 3 && std::string(argv[1]) == "--all-formats" &&
                                     std::string(argv[2]) == "--thumbnail";
    if (allFormatThumbnails) {
        --argc;
        ++argv;
    }
    if (argc >= 2 && std::string(argv[1]) == "--thumbnail") {
        if (argc < 5)
            return usage();
        return thumbnails(std::atoi(argv[2]), argv[3],
                          std::vector<std::string>(argv + 4, argv + argc), allFormatThumbnails);
    }
    bool options = true;
    bool allFormats = false;
    bool shots = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--all-formats") {
            allFormats = true;
        } else if (options && arg == "--shots") {
            shots = true;
        } else if (options && arg == "--pattern") {
            if (++i == argc)
                return usage();
            pattern = argv[i];
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty())
        return usage();

    const DateTextSettings locale = dateTextSettingsFromLocale();
    const DateParseTexts texts = dateParseTexts(locale);
    const TDateTime now = localNow();
    int status = 0;
    // With --shots, files of one shot (one folder, names differing only in the extension) get
    // the date of their shot, as a run that keeps shots together gives them.
    std::map<std::string, ShotDate> shotDates;
    if (shots) {
        for (const std::vector<std::string>& members : groupShots(files)) {
            std::vector<ShotDate> dates;
            for (const std::string& member : members) {
                try {
                    dates.push_back(readShotDate(member, now, texts, allFormats));
                } catch (const ShotDateError&) {
                    // Its own line reports it.
                }
            }
            if (!dates.empty())
                for (const std::string& member : members)
                    shotDates[member] = shotDateOfMembers(dates);
        }
    }
    for (const auto& file : files) {
        std::string line = escaped(file) + "\t";
        try {
            ShotDate date = readShotDate(file, now, texts, allFormats);
            if (auto shot = shotDates.find(file); shot != shotDates.end())
                date = shot->second;
            line += dateText(date.value) + "\t" + sourceName(date.source);
            if (pattern)
                line += "\t" + escaped(formatDatePattern(*pattern, date.value, locale));
        } catch (const ShotDateError& e) {
            line += escaped(e.what());
            status = 1;
        }
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return status;
}
