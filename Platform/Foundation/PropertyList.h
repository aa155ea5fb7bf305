#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/PropertyListValue.h"

namespace quorvel::platform {

// XML property lists, the phone platform's configuration file format:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "...PropertyList-1.0.dtd">
//   <plist version="1.0"><dict><key>width</key><real>138</real></dict></plist>
//
// The declaration and doctype are optional; comments and processing instructions are ignored.
//
// The root element is <plist> with exactly one value element inside. Value elements: <true/>,
// <false/>, <integer> (decimal, optionally signed, or 0x hexadecimal; must fit a signed 64-bit
// integer), <real> (decimal, exponent, "inf" and "nan" accepted), <string>, <data> (base64,
// whitespace ignored), <date> (text kept as written), <array> and <dict> (<key> then value, in
// pairs). The root value may be of any kind, not only a dictionary. The text of <string>, <key>
// and <date> is kept as written, whitespace included.
//
// Binary property lists ("bplist00...") and the old text format are not supported: they are not
// property lists to this reader.
struct PropertyList {
    // Lists of more bytes are refused from their size alone. Reading a list takes many times its
    // size in memory (a list of empty elements about twenty times), and a configuration file
    // holds a few kilobytes; readers of files check the size before reading.
    static constexpr std::size_t maximumSize = 1024 * 1024;

    // The value of the property list in `bytes`; none when the bytes are not a property list:
    // empty, larger than maximumSize, not well-formed XML, root element other than <plist>, or
    // any element that breaks the rules above (unknown element, <key> outside a dictionary,
    // unpaired key, bad number, bad base64, text between the elements of a container, nesting
    // deeper than 512 levels).
    static std::optional<PropertyListValue> parse(const Data& bytes);
    static std::optional<PropertyListValue> parse(std::string_view text);
    // The same, saying in `failure` which rule was broken where (quoting at most a short prefix
    // of the document's text), for a log line; `failure` is emptied when a value is returned.
    static std::optional<PropertyListValue> parse(const Data& bytes, std::string& failure);
    static std::optional<PropertyListValue> parse(std::string_view text, std::string& failure);

    // `value` written as an XML property list, UTF-8, with the usual declaration and doctype.
    // parse() gives back an equal value (reals are written with enough digits to round-trip;
    // a NaN comes back as a NaN). None for a value that parse() could not give back: a string,
    // key or date holding a NUL character (XML cannot carry one), or nesting deeper than the
    // reader's 512 levels.
    static std::optional<std::string> xml(const PropertyListValue& value);
};

}  // namespace quorvel::platform
