#include "engine/run/PlannedFile.h"

#include <cstdio>

namespace pixbako {
namespace {

std::string joined(const std::vector<std::string>& levels, char delimiter) {
    std::string text;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (i > 0)
            text += delimiter;
        text += levels[i];
    }
    return text;
}

} // namespace

std::string stampText(const LocalDateTime& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", date.year, date.month, date.day,
                  date.hour, date.minute, date.second);
    return text;
}

std::string folderLevelsText(const std::vector<std::string>& levels) {
    return joined(levels, '\\');
}

std::vector<std::string> folderLevelsOf(std::string_view text) {
    std::vector<std::string> levels;
    if (text.empty())
        return levels;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\\', start);
        levels.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return levels;
        start = end + 1;
    }
}

std::string folderLevelsPath(const std::vector<std::string>& levels) {
    return joined(levels, '/');
}

} // namespace pixbako
