#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Data.h"

namespace quorvel::fuzzing {

using quorvel::platform::Data;

// The seed and number of inputs of a run: fixed, so that every run checks the same inputs; the
// environment may change them (QUORVEL_FUZZ_SEED, QUORVEL_FUZZ_RUNS, a number of inputs per
// parser) to explore further by hand.
inline std::uint64_t fuzzSeed() {
    const char* text = std::getenv("QUORVEL_FUZZ_SEED");
    return text ? std::strtoull(text, nullptr, 10) : 20240611;
}

inline int fuzzRuns(int ordinary) {
    const char* text = std::getenv("QUORVEL_FUZZ_RUNS");
    const long runs = text ? std::strtol(text, nullptr, 10) : 0;
    return runs > 0 ? static_cast<int>(runs) : ordinary;
}

// Makes inputs from seed inputs by a few random edits each: bit flips, random or "interesting"
// bytes, insertions and deletions, copies of a stretch (inside the input or from another seed),
// tokens of the format at hand, truncation. The first `keep` bytes (a file signature) are never
// touched.
class Mutator {
public:
    Mutator(std::vector<Data> seeds, std::vector<std::string> tokens, std::uint64_t seed,
            std::size_t keep = 0)
        : seeds_(std::move(seeds)), tokens_(std::move(tokens)), random_(seed), keep_(keep) {}

    Data next() {
        Data data = seeds_[pick(seeds_.size())];
        const int edits = 1 + static_cast<int>(pick(8));
        for (int i = 0; i < edits; ++i) edit(data);
        return data;
    }

    std::size_t pick(std::size_t count) {
        return count == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
    }

private:
    // A position in the editable part, `extra` past its end allowed.
    std::size_t position(const Data& data, std::size_t extra = 0) {
        if (data.size() <= keep_) return data.size();
        return keep_ + pick(data.size() - keep_ + extra);
    }

    void edit(Data& data) {
        static constexpr std::uint8_t kInteresting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE,
                                                        '"',  '\\', ';',  '<',  '>',  '/',
                                                        '*',  '\n', '\r', '{',  '}',  '['};
        const bool editable = data.size() > keep_;
        switch (pick(9)) {
            case 0:
                if (editable) data[position(data)] ^= static_cast<std::uint8_t>(1u << pick(8));
                break;
            case 1:
                if (editable) data[position(data)] = static_cast<std::uint8_t>(pick(256));
                break;
            case 2:
                if (editable) data[position(data)] = kInteresting[pick(std::size(kInteresting))];
                break;
            case 3: {  // Insert random bytes.
                const auto at = position(data, 1);
                const std::size_t count = 1 + pick(8);
                for (std::size_t i = 0; i < count; ++i) {
                    data.insert(data.begin() + static_cast<std::ptrdiff_t>(at),
                                static_cast<std::uint8_t>(pick(256)));
                }
                break;
            }
            case 4: {  // Delete a stretch.
                if (!editable) break;
                const auto at = position(data);
                const auto count = std::min<std::size_t>(1 + pick(32), data.size() - at);
                data.erase(data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(at + count));
                break;
            }
            case 5: {  // Copy a stretch of this input or of another seed.
                const Data& from = pick(2) ? data : seeds_[pick(seeds_.size())];
                if (from.empty()) break;
                const auto start = pick(from.size());
                const auto count = std::min<std::size_t>(1 + pick(64), from.size() - start);
                const Data piece(from.begin() + static_cast<std::ptrdiff_t>(start),
                                 from.begin() + static_cast<std::ptrdiff_t>(start + count));
                const auto at = position(data, 1);
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(),
                            piece.end());
                break;
            }
            case 6: {  // A token of the format.
                if (tokens_.empty()) break;
                const std::string& token = tokens_[pick(tokens_.size())];
                const auto at = position(data, 1);
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), token.begin(),
                            token.end());
                break;
            }
            case 7:  // Truncate.
                if (editable) data.resize(position(data));
                break;
            default: {  // Repeat a stretch many times.
                if (!editable) break;
                const auto at = position(data);
                const auto count = std::min<std::size_t>(1 + pick(16), data.size() - at);
                const Data piece(data.begin() + static_cast<std::ptrdiff_t>(at),
                                 data.begin() + static_cast<std::ptrdiff_t>(at + count));
                const std::size_t times = 1 + pick(200);
                for (std::size_t i = 0; i < times; ++i) {
                    data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(),
                                piece.end());
                }
                break;
            }
        }
    }

    std::vector<Data> seeds_;
    std::vector<std::string> tokens_;
    std::mt19937_64 random_;
    std::size_t keep_;
};

inline Data bytesOf(std::string_view text) {
    return Data(text.begin(), text.end());
}

}  // namespace quorvel::fuzzing
