// Collecting and printing findings about a disk source.
#include "SourceDiagnostics.h"

#include "platform/StringPrimitives.h"

#include <algorithm>

namespace quib {
namespace {

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbouring letters, each counting one.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::string_view NearestName(std::string_view word,
                             const std::vector<std::string_view>& candidates) {
    const std::string lower = LowerAscii(word);
    const size_t allowed = word.size() <= 2 ? 0 : word.size() == 3 ? 1 : 2;
    std::string_view nearest;
    size_t best = allowed + 1;
    for (std::string_view candidate : candidates) {
        const size_t distance = EditDistance(lower, LowerAscii(candidate));
        if (distance < best && candidate != word) {
            nearest = candidate;
            best = distance;
        }
    }
    return nearest;
}

std::string WithArticle(std::string_view noun) {
    const bool vowel = !noun.empty() &&
                       std::string_view("AEIOUaeiou").find(noun.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(noun);
}

void SourceDiagnostics::Error(SourcePosition position, std::string message) {
    entries_.push_back({Severity::Error, position, std::move(message)});
    ++errorCount_;
}

void SourceDiagnostics::Warning(SourcePosition position, std::string message) {
    if (warningsAreErrors_) {
        Error(position, std::move(message));
        return;
    }
    entries_.push_back({Severity::Warning, position, std::move(message)});
}

std::string SourceDiagnostics::Format() const {
    std::string out;
    for (const Entry& entry : entries_) {
        out += fileName_;
        if (entry.position.line > 0) {
            out += ":" + std::to_string(entry.position.line) + ":" +
                   std::to_string(entry.position.column);
        }
        out += entry.severity == Severity::Error ? ": error: " : ": warning: ";
        out += entry.message + "\n";
    }
    return out;
}

} // namespace quib
