#include "engine/naming/Names.h"

#include "engine/datepattern/DateFormat.h"
#include "platform/AsciiCase.h"
#include "platform/Encoding.h"

namespace pixbako {
namespace {

DateTextSettings withoutLongTimeForm(DateTextSettings texts) {
    texts.longTimeForm.clear();
    return texts;
}

} // namespace

std::string folderName(std::string_view prefix, std::string_view pattern, std::string_view suffix,
                       const LocalDateTime& shotDate, const DateTextSettings& texts) {
    std::string name(prefix);
    name += formatDatePattern(pattern, shotDate, texts);
    name += suffix;
    return name;
}

void setStampTimeForm(DateTextSettings& texts) {
    texts.longTimeForm = "hhnnss";
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
                        std::int64_t number, std::string_view extension,
                        const DateTextSettings& texts) {
    std::string name = fields.prefix;
    name += formatDatePattern(fields.datePattern, namingDate, texts);
    name += fields.middle;
    if (fields.numbering)
        name += sequenceText(fields.style, number);
    name += extension;
    return name;
}

std::string folderSampleText(std::string_view prefix, std::string_view pattern,
                             std::string_view suffix, TDateTime now,
                             const DateTextSettings& texts) {
    std::string name(prefix);
    name += formatDatePattern(pattern, now, withoutLongTimeForm(texts));
    name += suffix;
    return name;
}

std::string fileSampleText(const FileNameFields& fields, std::int64_t startNumber, TDateTime now,
                           const DateTextSettings& texts) {
    std::string sample = fields.prefix;
    sample += formatDatePattern(fields.datePattern, now, withoutLongTimeForm(texts));
    sample += fields.middle;
    if (fields.numbering)
        sample += sequenceText(fields.style, startNumber);
    return sample;
}

} // namespace pixbako
