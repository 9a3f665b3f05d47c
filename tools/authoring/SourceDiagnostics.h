// Errors and warnings about a disk source, each with the file, line and column it concerns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quib {

// The candidate a misspelt word most likely meant: one equal to it ignoring case, else the
// nearest within two edits (a letter added, dropped, changed, or two neighbours swapped), case
// ignored; one edit for a word of three letters, none for shorter ones. Empty when none is near
// enough.
std::string_view NearestName(std::string_view word,
                             const std::vector<std::string_view>& candidates);

// "an ImageEffect", "a ToggledImageEffect".
std::string WithArticle(std::string_view noun);

struct SourcePosition {
    int line = 0; // 1-based; 0 when the finding concerns the whole file
    int column = 0;
};

class SourceDiagnostics {
public:
    enum class Severity { Warning, Error };
    struct Entry {
        Severity severity;
        SourcePosition position;
        std::string message;
    };

    explicit SourceDiagnostics(std::string fileName) : fileName_(std::move(fileName)) {}

    void Error(SourcePosition position, std::string message);
    // An error instead once warnings are errors.
    void Warning(SourcePosition position, std::string message);
    void MakeWarningsErrors() { warningsAreErrors_ = true; }

    const std::string& FileName() const { return fileName_; }
    const std::vector<Entry>& Entries() const { return entries_; }
    bool HasErrors() const { return errorCount_ > 0; }
    int ErrorCount() const { return errorCount_; }
    // "file:line:column: error: message", one line each, in the order they were found.
    std::string Format() const;

private:
    std::string fileName_;
    std::vector<Entry> entries_;
    int errorCount_ = 0;
    bool warningsAreErrors_ = false;
};

} // namespace quib
