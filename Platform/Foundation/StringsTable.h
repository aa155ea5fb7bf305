#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Data.h"

namespace quorvel::platform {

// A localization table: the phone platform's ".strings" files.
//
//   /* Title of the capture screen */
//   "capture-title" = "Scan a document";
//   "quote" = "Say \"cheese\"\n";   // escapes: \" \\ \n \t \r \' and \Uxxxx (UTF-16 unit)
//   "same";                         // a key alone maps to itself
//
// Keys and values are quoted strings (unquoted ones of letters, digits, '_', '.', '-', '/', ':'
// are accepted too); an entry may span lines; comments are /* */ and //. The file is UTF-8 or,
// with a byte-order mark, UTF-16. An entry that breaks the format is skipped and the entries
// around it are kept: the broken entry ends at the first ';' outside quotes on the line where it
// starts, else with that line, so that a missing ';' or closing quote costs that entry only.
// Skipped entries are logged (error level, one record per table, giving the line of the first).
// A key given twice keeps its last value.
class StringsTable {
public:
    StringsTable() = default;

    // `source` names the text in the log ("strings table" when not given).
    static StringsTable parse(std::string_view text);
    static StringsTable parse(std::string_view text, std::string_view source);
    static StringsTable parse(const Data& bytes);
    static StringsTable parse(const Data& bytes, std::string_view source);
    // None when the file cannot be read (missing, not a regular file, no permission); a file that
    // is there but cannot be read is logged with the reason (error level).
    static std::optional<StringsTable> read(const std::filesystem::path& path);

    // The value of `key`, none when the table lacks it.
    std::optional<std::string> lookup(std::string_view key) const;
    std::size_t size() const { return entries_.size(); }
    const std::map<std::string, std::string, std::less<>>& entries() const { return entries_; }

private:
    std::map<std::string, std::string, std::less<>> entries_;
};

}  // namespace quorvel::platform
