// libFuzzer target: arbitrary bytes as a settings file. Whatever is accepted as settings text
// must reach its written form in one step (writing it again changes nothing), and a value
// written into it must read back as written, blanks included.
#include "platform/Encoding.h"
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!isSettingsText(bytes))
        return 0;
    IniFile ini(IniDialect::Settings);
    ini.parse(decodeTextFile(bytes));
    std::string written = ini.text();
    IniFile again(IniDialect::Settings);
    again.parse(written);
    if (again.text() != written)
        std::abort();

    again.writeString("INI0", "READ", "  /media/カード\r\n x ");
    again.writeInteger("Form", "Top", -7);
    IniFile reread(IniDialect::Settings);
    reread.parse(again.text());
    if (reread.value("ini0", "read") != "  /media/カード   x " ||
        reread.readInteger("FORM", "TOP", 0) != -7)
        std::abort();
    return 0;
}
