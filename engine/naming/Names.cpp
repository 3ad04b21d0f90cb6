#include "engine/naming/Names.h"

#include "engine/datepattern/DateFormat.h"
#include "platform/AsciiCase.h"
#include "platform/Encoding.h"

namespace pixbako {

std::string folderName(std::string_view prefix, std::string_view pattern, std::string_view suffix,
                       const LocalDateTime& shotDate) {
    std::string name(prefix);
    name += formatDateText(pattern, shotDate);
    name += suffix;
    return name;
}

void setStampTimeForm() {
    dateTextSettings().longTimeForm = "hhnnss";
}

LocalDateTime namingDate(const LocalDateTime& shotDate) {
    LocalDateTime date = shotDate;
    date.millisecond = 0;
    return date;
}

std::string extensionOf(std::string_view name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::size_t delimiter = name.find_last_of("\\/:");
    if (delimiter != std::string_view::npos && delimiter > dot)
        return {};
    return std::string(name.substr(dot));
}

std::string convertExtensionCase(std::string_view extension, int caseIndex) {
    switch (caseIndex) {
    case 0:
        return std::string(extension);
    case 1:
        return asciiLower(extension);
    case 2:
        return asciiUpper(extension);
    default:
        return {};
    }
}

std::string newFileName(const FileNameFields& fields, const LocalDateTime& namingDate,
                        std::int64_t number, std::string_view extension) {
    std::string name = fields.prefix;
    name += formatDateText(fields.datePattern, namingDate);
    name += fields.middle;
    if (fields.numbering)
        name += sequenceText(fields.style, number);
    name += extension;
    return name;
}

std::string folderSampleText(std::string_view prefix, std::string_view pattern,
                             std::string_view suffix, TDateTime now) {
    dateTextSettings().longTimeForm.clear();
    std::string name(prefix);
    name += formatDateText(pattern, now);
    name += suffix;
    return name;
}

std::string fileSampleText(const FileNameFields& fields, std::int64_t startNumber, TDateTime now) {
    dateTextSettings().longTimeForm.clear();
    std::string sample = fields.prefix;
    sample += formatDateText(fields.datePattern, now);
    sample += fields.middle;
    if (fields.numbering)
        sample += sequenceText(fields.style, startNumber);
    return sample;
}

} // namespace pixbako
