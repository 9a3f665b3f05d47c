// Collecting and printing findings about a disk source.
#include "SourceDiagnostics.h"

namespace quib {

void SourceDiagnostics::Error(SourcePosition position, std::string message) {
    entries_.push_back({Severity::Error, position, std::move(message)});
    ++errorCount_;
}

void SourceDiagnostics::Warning(SourcePosition position, std::string message) {
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
