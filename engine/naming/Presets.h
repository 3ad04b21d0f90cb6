#pragma once
// The preset patterns offered by the two date-pattern combo boxes, in list order.
#include <array>
#include <string_view>

namespace pixbako {

// Folder date patterns. The last three put "\" inside a literal and so make two or three
// folder levels.
inline constexpr std::array<std::string_view, 19> kFolderDatePresets{
    R"x(yyyy-mm-dd)x",
    R"x(yyyy-mm-dd"("aaa")")x",
    R"x(yyyy_mm_dd)x",
    R"x(yy_mm_dd)x",
    R"x(yyyy_mm_dd"("aaa")")x",
    R"x(yyyy_mm_dd_hh)x",
    R"x(yyyy_mm)x",
    R"x(yy_mm)x",
    R"x(mm_dd)x",
    R"x(yyyy"年"mm"月"dd"日")x",
    R"x(yyyy"年"mm"月"dd"日"aaaa)x",
    R"x(yyyy"年"mm"月"dd"日"aaaaampm)x",
    R"x(ggee"年"mm"月"dd"日")x",
    R"x(ggee"年"mm"月"dd"日"aaaa)x",
    R"x(ee_mm_dd)x",
    R"x(ee_mm)x",
    R"x(yyyy"年\"mm"月\"dd"日")x",
    R"x(yyyy"年\"mm"月\"dd"日("aaa")")x",
    R"x(yyyy"年\"yyyy"年"mm"月\"yyyy"年"mm"月"dd"日")x",
};

// File date patterns; the list holds "hh_nn_ss" three times.
inline constexpr std::array<std::string_view, 23> kFileDatePresets{
    R"x(yyyy-mm-dd)x",
    R"x(yyyy-mm-dd hh_nn)x",
    R"x(yyyy-mm-dd hh_nn_ss)x",
    R"x(yy-mm-dd hh_nn_ss)x",
    R"x(ee-mm-dd hh_nn_ss)x",
    R"x(hh_nn_ss)x",
    R"x(mm-dd)x",
    R"x(dd)x",
    R"x(dd_hh)x",
    R"x(ggee"年"mm"月"dd"日")x",
    R"x(ggee"年"mm"月"dd"日"aaaa)x",
    R"x(hh_nn_ss)x",
    R"x(yy_mm_dd)x",
    R"x(yyyy"年"mm"月"dd"日")x",
    R"x(yyyy"年"mm"月"dd"日"aaaa)x",
    R"x(yyyy"年"mm"月"dd"日"aaaaampm)x",
    R"x(yyyy_mm)x",
    R"x(yyyy_mm_dd)x",
    R"x(yyyy_mm_dd"("aaa")")x",
    R"x(yyyy_mm_dd_hh)x",
    R"x(hh_nn_ss)x",
    R"x(hh"時"nn"分"ss"秒")x",
    R"x(yyyy"年"mm"月"dd"日"hh"時"nn"分"ss"秒")x",
};

} // namespace pixbako
