#include "transfer/Wildcard.h"

#include <string>

namespace
{

bool SameCharacter(char32_t a, char32_t b, bool caseSensitive)
{
    return a == b || (!caseSensitive && QChar::toCaseFolded(a) == QChar::toCaseFolded(b));
}

bool Fits(const std::u32string& pattern, size_t at, char32_t c, bool caseSensitive)
{
    return at < pattern.size() && (pattern[at] == U'?' || SameCharacter(c, pattern[at], caseSensitive));
}

} // namespace

bool MatchWildcard(const QString& name, const QString& pattern, bool caseSensitive)
{
    const std::u32string n = name.toStdU32String();
    const std::u32string p = pattern.toStdU32String();
    size_t ni = 0;
    size_t pi = 0;
    // Before the first star every character must fit in place.
    while (ni < n.size() && !(pi < p.size() && p[pi] == U'*'))
    {
        if (!Fits(p, pi, n[ni], caseSensitive))
            return false;
        ++ni;
        ++pi;
    }
    // Greedy after a star; on a mismatch only the latest star takes one more character.
    size_t starPattern = 0;
    size_t starName = 0;
    while (ni < n.size())
    {
        if (pi < p.size() && p[pi] == U'*')
        {
            if (++pi == p.size())
                return true;
            starPattern = pi;
            starName = ni + 1;
        }
        else if (Fits(p, pi, n[ni], caseSensitive))
        {
            ++ni;
            ++pi;
        }
        else
        {
            pi = starPattern;
            ni = starName++;
        }
    }
    while (pi < p.size() && p[pi] == U'*')
        ++pi;
    return pi == p.size();
}
