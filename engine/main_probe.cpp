// pixbako-probe [--pattern P] FILE...: prints the shot date that Pixbako gives each file, one
// tab-separated line per file: the path, the date as YYYY-MM-DD HH:MM:SS and where it came
// from ("exif" or "filetime"), and with --pattern the text that the date pattern P makes of
// it. A file that fails gets its path and the error message instead; the exit code is then 1.
#include "engine/datepattern/DateFormat.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/FileSizeSignal.h"
#include "platform/FileTime.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace pixbako;

int usage() {
    std::fputs("usage: pixbako-probe [--pattern P] FILE...\n", stderr);
    return 2;
}

std::string dateText(TDateTime value) {
    DateTimeParts p = decodeDateTime(value);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    // Output redirected to a file past `ulimit -f` then fails to write instead of killing.
    ignoreFileSizeSignal();
    std::optional<std::string> pattern;
    std::vector<std::string> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
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

    dateTextSettings() = dateTextSettingsFromLocale();
    const DateParseTexts texts = dateParseTexts(dateTextSettings());
    const TDateTime now =
        localDateTime({static_cast<std::int64_t>(std::time(nullptr)), 0}).value_or(0);
    int status = 0;
    for (const auto& file : files) {
        std::string line = file + "\t";
        try {
            ShotDate date = readShotDate(file, now, texts);
            line += dateText(date.value) + "\t" + (date.fromExif ? "exif" : "filetime");
            if (pattern)
                line += "\t" + FormatDateText(*pattern, date.value);
        } catch (const ShotDateError& e) {
            line += e.what();
            status = 1;
        }
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return status;
}
