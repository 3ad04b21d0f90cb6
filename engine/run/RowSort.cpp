#include "engine/run/RowSort.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace pixbako {
namespace {

// Positions 0..n-1 with an integer key each; every node holds the position of the smallest
// key of its range, the leftmost one on ties.
class FirstMinimumTree {
public:
    explicit FirstMinimumTree(std::vector<std::size_t> keys) : keys_(std::move(keys)) {
        size_ = 1;
        while (size_ < keys_.size())
            size_ *= 2;
        nodes_.assign(2 * size_, kNone);
        for (std::size_t i = 0; i < keys_.size(); ++i)
            nodes_[size_ + i] = i;
        for (std::size_t node = size_ - 1; node >= 1; --node)
            nodes_[node] = better(nodes_[2 * node], nodes_[2 * node + 1]);
    }

    void swapKeys(std::size_t a, std::size_t b) {
        std::swap(keys_[a], keys_[b]);
        refresh(a);
        refresh(b);
    }

    // The leftmost position of the smallest key in [from, end of the list).
    std::size_t firstMinimumFrom(std::size_t from) const {
        std::size_t best = kNone;
        std::size_t left = from + size_;
        std::size_t right = keys_.size() + size_; // exclusive
        // `better` is a minimum over (key, position), so the order in which the nodes of the
        // two edges are met doesn't matter.
        while (left < right) {
            if (left & 1)
                best = better(best, nodes_[left++]);
            if (right & 1)
                best = better(best, nodes_[--right]);
            left /= 2;
            right /= 2;
        }
        return best;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t better(std::size_t a, std::size_t b) const {
        if (a == kNone)
            return b;
        if (b == kNone)
            return a;
        if (keys_[a] != keys_[b])
            return keys_[a] < keys_[b] ? a : b;
        return std::min(a, b);
    }

    void refresh(std::size_t position) {
        std::size_t node = (position + size_) / 2;
        for (; node >= 1; node /= 2)
            nodes_[node] = better(nodes_[2 * node], nodes_[2 * node + 1]);
    }

    std::vector<std::size_t> keys_;
    std::vector<std::size_t> nodes_;
    std::size_t size_ = 1;
};

} // namespace

bool sortRowsByTimeStamp(FileList& list, const std::function<bool()>& afterExchange) {
    if (list.size() < 3)
        return true;
    const std::size_t n = list.size() - 1; // rows 1..n are tree positions 0..n-1

    // Ranks of the stamps, so that the tree compares integers instead of texts.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    auto stamp = [&](std::size_t position) -> const std::string& {
        return list[position + 1][kTimeStampColumn];
    };
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return stamp(a) < stamp(b); });
    std::vector<std::size_t> ranks(n);
    std::size_t rank = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && stamp(order[i]) != stamp(order[i - 1]))
            ++rank;
        ranks[order[i]] = rank;
    }

    FirstMinimumTree tree(std::move(ranks));
    for (std::size_t p = 0; p + 1 < n; ++p) {
        std::size_t m = tree.firstMinimumFrom(p);
        if (m == p)
            continue;
        std::swap(list[p + 1], list[m + 1]);
        tree.swapKeys(p, m);
        if (afterExchange && !afterExchange())
            return false;
    }
    return true;
}

} // namespace pixbako
