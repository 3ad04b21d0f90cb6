#include "engine/run/RowSort.h"

#include "engine/naming/Names.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace pixbako {

bool sortRowsByTimeStamp(std::vector<PlannedFile>& list,
                         const std::function<bool()>& afterExchange) {
    if (list.size() < 2)
        return true;
    const std::size_t n = list.size();

    // The rows order by the date their names are written with (whole seconds), taken once.
    std::vector<LocalDateTime> keys(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = namingDate(list[i].shotDate);
    // source[p]: the position whose row belongs at p.
    std::vector<std::size_t> source(n);
    std::iota(source.begin(), source.end(), 0);
    std::stable_sort(source.begin(), source.end(),
                     [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    // where[q]: the position that the row first found at q is at now.
    std::vector<std::size_t> where(n);
    std::iota(where.begin(), where.end(), 0);
    // at[p]: the original position of the row now at p.
    std::vector<std::size_t> at(n);
    std::iota(at.begin(), at.end(), 0);

    for (std::size_t p = 0; p + 1 < n; ++p) {
        const std::size_t m = where[source[p]];
        if (m == p)
            continue;
        std::swap(list[p], list[m]);
        std::swap(at[p], at[m]);
        where[at[p]] = p;
        where[at[m]] = m;
        if (afterExchange && !afterExchange())
            return false;
    }
    return true;
}

} // namespace pixbako
