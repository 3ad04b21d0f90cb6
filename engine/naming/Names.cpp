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
                       TDateTime shotDate, const DateTextSettings& texts) {
    std::string name(prefix);
    name += formatDatePattern(pattern, shotDate, texts);
    name += suffix;
    return name;
}

std::string timeStamp(TDateTime shotDate, DateTextSettings& texts) {
    texts.longTimeForm = "hhnnss";
    return formatDatePattern("YYYYMMDD", shotDate, texts) +
           formatDatePattern("tt", shotDate, texts);
}

std::optional<TDateTime> namingDate(std::string_view stamp) {
    if (stamp.size() != 14)
        return std::nullopt;
    for (char c : stamp)
        if (c < '0' || c > '9')
            return std::nullopt;
    auto field = [&](std::size_t pos, std::size_t len) {
        int value = 0;
        for (char c : stamp.substr(pos, len))
            value = value * 10 + (c - '0');
        return value;
    };
    return encodeDateTime(field(0, 4), field(4, 2), field(6, 2), field(8, 2), field(10, 2),
                          field(12, 2));
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

std::string newFileName(const FileNameFields& fields, TDateTime namingDate, std::int64_t number,
                        std::string_view extension, const DateTextSettings& texts) {
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
    return folderName(prefix, pattern, suffix, now, withoutLongTimeForm(texts));
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
