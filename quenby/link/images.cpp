#include "quenby/link/images.h"

#include <algorithm>

namespace quenby {

std::vector<WordDifference> differingWords(const Image& read, const Image& expected, int first, int last)
{
    std::vector<WordDifference> out;
    for (int a = std::max(first, 0); a <= std::min(last, kImageTop); ++a) {
        if (read[size_t(a)] != expected[size_t(a)])
            out.push_back({a, read[size_t(a)], expected[size_t(a)]});
    }
    return out;
}

std::vector<WordDifference> differingWords(const Image& read, const Image& expected, int first, int last,
                                           const std::vector<int>& also)
{
    std::vector<WordDifference> out = differingWords(read, expected, first, last);
    for (int a : also) {
        if (a > last && inImage(a) && read[size_t(a)] != expected[size_t(a)])
            out.push_back({a, read[size_t(a)], expected[size_t(a)]});
    }
    return out;
}

} // namespace quenby
