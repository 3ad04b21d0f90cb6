#pragma once
// The preset patterns offered by the two date-pattern combo boxes, in list order.
#include <array>
#include <string_view>

namespace pixbako {

// Folder date patterns. The last three put "\" inside a literal and so make two or three
// folder levels.
inline constexpr std::array<std::string_view, 19> kFolderDatePresets{
    R"(yyyy-mm-dd)",
    R"(yyyy-mm-dd"("aaa")")",
    R"(yyyy_mm_dd)",
    R"(yy_mm_dd)",
    R"(yyyy_mm_dd"("aaa")")",
    R"(yyyy_mm_dd_hh)",
    R"(yyyy_mm)",
    R"(yy_mm)",
    R"(mm_dd)",
    R"(yyyy"年"mm"月"dd"日")",
    R"(yyyy"年"mm"月"dd"日"aaaa)",
    R"(yyyy"年"mm"月"dd"日"aaaaampm)",
    R"(ggee"年"mm"月"dd"日")",
    R"(ggee"年"mm"月"dd"日"aaaa)",
    R"(ee_mm_dd)",
    R"(ee_mm)",
    R"(yyyy"年\"mm"月\"dd"日")",
    R"(yyyy"年\"mm"月\"dd"日("aaa")")",
    R"(yyyy"年\"yyyy"年"mm"月\"yyyy"年"mm"月"dd"日")",
};

// File date patterns; the list holds "hh_nn_ss" three times.
inline constexpr std::array<std::string_view, 23> kFileDatePresets{
    R"(yyyy-mm-dd)",
    R"(yyyy-mm-dd hh_nn)",
    R"(yyyy-mm-dd hh_nn_ss)",
    R"(yy-mm-dd hh_nn_ss)",
    R"(ee-mm-dd hh_nn_ss)",
    R"(hh_nn_ss)",
    R"(mm-dd)",
    R"(dd)",
    R"(dd_hh)",
    R"(ggee"年"mm"月"dd"日")",
    R"(ggee"年"mm"月"dd"日"aaaa)",
    R"(hh_nn_ss)",
    R"(yy_mm_dd)",
    R"(yyyy"年"mm"月"dd"日")",
    R"(yyyy"年"mm"月"dd"日"aaaa)",
    R"(yyyy"年"mm"月"dd"日"aaaaampm)",
    R"(yyyy_mm)",
    R"(yyyy_mm_dd)",
    R"(yyyy_mm_dd"("aaa")")",
    R"(yyyy_mm_dd_hh)",
    R"(hh_nn_ss)",
    R"(hh"時"nn"分"ss"秒")",
    R"(yyyy"年"mm"月"dd"日"hh"時"nn"分"ss"秒")",
};

} // namespace pixbako
