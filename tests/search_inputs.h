// Inputs that are hard for a byte search that filters its candidates on a few of the pattern's
// bytes: runs of one value, data of two or three values, periodic data with the pattern wrong in
// one byte, the pattern's rare bytes frequent in the data, and data made of near misses of the
// pattern. Each class fills data of any size and makes a pattern that does not occur in it. The
// search benchmark runs them at 64 MiB beside memmem; the differential test runs them small
// against a plain scan, with the pattern absent and planted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace search_inputs {

using Bytes = std::vector<uint8_t>;

// SplitMix64: the same numbers on every platform and word size.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound).
    size_t below(size_t bound) {
        return static_cast<size_t>(((next() >> 32) * static_cast<uint64_t>(bound)) >> 32);
    }
    uint8_t byte() { return static_cast<uint8_t>(next() >> 56); }
    // A value other than b.
    uint8_t besides(uint8_t b) { return static_cast<uint8_t>(b ^ (1 + below(255))); }

  private:
    uint64_t state_;
};

// What a class makes besides its data: the pattern, and the values the data is drawn from (empty
// for any byte), used to break an occurrence of the pattern without leaving them.
struct Made {
    Bytes pattern;
    Bytes alphabet;
};

using Maker = Made (*)(uint8_t* data, size_t size, Random& random);

struct SearchClass {
    const char* name;
    Maker make;
};

namespace detail {

inline void fillFrom(uint8_t* data, size_t size, const Bytes& alphabet, Random& random) {
    for (size_t i = 0; i < size; ++i) {
        data[i] = alphabet[random.below(alphabet.size())];
    }
}

inline Bytes drawFrom(size_t length, const Bytes& alphabet, Random& random) {
    Bytes pattern(length);
    fillFrom(pattern.data(), length, alphabet, random);
    return pattern;
}

inline Bytes letters(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

// Repeats the first `period` bytes of data over all of it.
inline void repeat(uint8_t* data, size_t size, size_t period) {
    for (size_t i = period; i < size; ++i) {
        data[i] = data[i - period];
    }
}

// Whether pattern occurs in data that repeats period forever.
inline bool occursInPeriodic(const Bytes& period, const Bytes& pattern) {
    for (size_t phase = 0; phase < period.size(); ++phase) {
        size_t k = 0;
        while (k < pattern.size() && period[(phase + k) % period.size()] == pattern[k]) {
            ++k;
        }
        if (k == pattern.size()) {
            return true;
        }
    }
    return false;
}

// A period of random values from alphabet, repeated, and a pattern of `length` bytes taken from
// it with the byte at `changed` replaced by another value of the alphabet; a period in which the
// pattern still occurs is drawn again.
inline Made periodicChanged(uint8_t* data, size_t size, Random& random, size_t periodLength,
                            size_t length, size_t changed, const Bytes& alphabet) {
    auto draw = [&]() {
        return alphabet.empty() ? random.byte() : alphabet[random.below(alphabet.size())];
    };
    for (;;) {
        Bytes period(periodLength);
        std::generate(period.begin(), period.end(), draw);
        Bytes pattern(length);
        for (size_t k = 0; k < length; ++k) {
            pattern[k] = period[k % periodLength];
        }
        do {
            pattern[changed] = draw();
        } while (pattern[changed] == period[changed % periodLength]);
        if (!occursInPeriodic(period, pattern)) {
            std::copy(period.begin(), period.end(), data);
            repeat(data, size, periodLength);
            return {pattern, alphabet};
        }
    }
}

inline Made randomBytes(uint8_t* data, size_t size, Random& random, size_t length) {
    Bytes pattern(length);
    for (auto& b : pattern) {
        b = random.byte();
    }
    for (size_t i = 0; i < size; ++i) {
        data[i] = random.byte();
    }
    return {pattern, {}};
}

// Random values of the alphabet, and a pattern of them holding each at least once.
inline Made fewValued(uint8_t* data, size_t size, Random& random, size_t length,
                      const Bytes& alphabet) {
    Bytes pattern;
    do {
        pattern = drawFrom(length, alphabet, random);
    } while (!std::all_of(alphabet.begin(), alphabet.end(), [&](uint8_t value) {
        return std::find(pattern.begin(), pattern.end(), value) != pattern.end();
    }));
    fillFrom(data, size, alphabet, random);
    return {pattern, alphabet};
}

// A run of fill with a pattern of `length` fill bytes but `odd` at `oddAt`.
inline Made run(uint8_t* data, size_t size, uint8_t fill, size_t length, size_t oddAt,
                uint8_t odd) {
    std::memset(data, fill, size);
    Bytes pattern(length, fill);
    pattern[oddAt] = odd;
    return {pattern, {fill, odd}};
}

// Random lower-case letters with the pattern's two rarest letters, 'q' and 'z' among common
// ones, planted as a pair at random gaps averaging meanGap bytes: a filter on the pattern's
// rarest bytes passes a candidate at each pair, at places it cannot predict.
inline Made letterPairs(uint8_t* data, size_t size, Random& random, size_t length, size_t meanGap) {
    const Bytes alphabet = letters("abcdefghijklmnopqrstuvwxyz");
    Bytes pattern = drawFrom(length, letters("etaoinshrdlcu"), random);
    const size_t q = 1, z = length - 2;
    pattern[q] = 'q';
    pattern[z] = 'z';
    fillFrom(data, size, alphabet, random);
    for (size_t at = random.below(2 * meanGap); at + length <= size;
         at += 1 + random.below(2 * meanGap - 1)) {
        data[at + q] = 'q';
        data[at + z] = 'z';
    }
    return {pattern, alphabet};
}

// Copies of a random pattern, each with one byte changed at a random position: a near miss at
// every copy, failing at a place no fixed order of tests predicts. The copies lie back to back,
// or with up to maxGap random bytes between them so that they keep no step; with an alphabet,
// every byte is drawn from it.
inline Made nearMissCopies(uint8_t* data, size_t size, Random& random, size_t length,
                           size_t maxGap = 0, const Bytes& alphabet = {}) {
    auto draw = [&]() {
        return alphabet.empty() ? random.byte() : alphabet[random.below(alphabet.size())];
    };
    auto besides = [&](uint8_t b) {
        if (alphabet.empty()) {
            return random.besides(b);
        }
        for (;;) {
            if (const uint8_t other = draw(); other != b) {
                return other;
            }
        }
    };
    Bytes pattern(length);
    for (auto& b : pattern) {
        b = draw();
    }
    for (size_t at = 0; at < size;) {
        const size_t count = std::min(length, size - at);
        std::copy(pattern.begin(), pattern.begin() + static_cast<ptrdiff_t>(count), data + at);
        const size_t changed = random.below(length);
        if (changed < count) {
            data[at + changed] = besides(pattern[changed]);
        }
        at += count;
        for (size_t gap = maxGap == 0 ? 0 : random.below(maxGap + 1); gap > 0 && at < size; --gap) {
            data[at++] = draw();
        }
    }
    return {pattern, alphabet};
}

// "abc" repeated with every length-th byte an 'x', and the pattern the first length bytes of
// "abcabc...": every third candidate misses the pattern in exactly one byte, at a place that
// moves from one such candidate to the next.
inline Made brokenPeriod(uint8_t* data, size_t size, size_t length) {
    for (size_t i = 0; i < size; ++i) {
        data[i] = i % length == length - 1 ? 'x' : static_cast<uint8_t>('a' + i % 3);
    }
    Bytes pattern(length);
    for (size_t k = 0; k < length; ++k) {
        pattern[k] = static_cast<uint8_t>('a' + k % 3);
    }
    return {pattern, letters("abcx")};
}

// Text of words from a small vocabulary, and a phrase of them with its next-to-last letter
// changed to another.
inline Made words(uint8_t* data, size_t size, Random& random) {
    static const char* const vocabulary[] = {"the ",     "search ", "of ",   "a ",
                                             "pattern ", "in ",     "data ", "is ",
                                             "and ",     "to ",     "file ", "bytes "};
    constexpr size_t count = sizeof vocabulary / sizeof vocabulary[0];
    const Bytes phrase = letters("the search of a pattern in the data is a");
    Bytes pattern(phrase.begin(), phrase.begin() + 31);
    pattern[29] = 'a';
    for (size_t at = 0; at < size;) {
        const char* word = vocabulary[random.below(count)];
        for (; *word != 0 && at < size; ++word) {
            data[at++] = static_cast<uint8_t>(*word);
        }
    }
    return {pattern, letters("abcdefghijklmnopqrstuvwxyz ")};
}

// Records of 16 bytes: a 32-bit little-endian number counting up in steps of two, and fixed
// bytes; the pattern is the record of a number beyond them, of bytes common in them.
inline Made records(uint8_t* data, size_t size) {
    auto record = [](uint32_t number) {
        Bytes bytes = {0, 0, 0, 0, 'R', 'E', 'C', 0, 0x10, 0, 0, 0, 0xFF, 0xFF, 0, 0};
        for (size_t i = 0; i < 4; ++i) {
            bytes[i] = static_cast<uint8_t>(number >> (8 * i));
        }
        return bytes;
    };
    for (size_t at = 0; at < size; at += 16) {
        const Bytes bytes = record(static_cast<uint32_t>(at / 8));
        std::copy(bytes.begin(),
                  bytes.begin() + static_cast<ptrdiff_t>(std::min<size_t>(16, size - at)),
                  data + at);
    }
    return {record(0x00FF0000), {}};
}

} // namespace detail

// Every class, the yardstick (random data and an absent random pattern) first.
inline const std::vector<SearchClass>& searchClasses() {
    using namespace detail;
    static const std::vector<SearchClass> classes = {
        {"random", [](uint8_t* d, size_t n, Random& r) { return randomBytes(d, n, r, 16); }},
        {"random_31", [](uint8_t* d, size_t n, Random& r) { return randomBytes(d, n, r, 31); }},
        // Runs of one value, the pattern's odd byte first, inside or at its end.
        {"zeros_00000001",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 8, 3, 0x01); }},
        {"zeros_01_inside",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 16, 7, 0x01); }},
        {"zeros_01_first_31",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 31, 0, 0x01); }},
        {"letter_run", [](uint8_t* d, size_t n, Random&) { return run(d, n, 'a', 16, 7, 'X'); }},
        {"ff_run", [](uint8_t* d, size_t n, Random&) { return run(d, n, 0xFF, 16, 14, 0xFE); }},
        // Zeros with a 01 at random gaps of at most 30 bytes, searched for 31 zeros: every
        // candidate misses by the few 01 it covers.
        {"zeros_sprinkled_01_31",
         [](uint8_t* d, size_t n, Random& r) {
             std::memset(d, 0, n);
             for (size_t at = r.below(31); at < n; at += 1 + r.below(30)) {
                 d[at] = 0x01;
             }
             return Made{Bytes(31, 0x00), {0x00, 0x01}};
         }},
        // Random data of two or three values, and random patterns of them.
        {"two_valued_00_ff",
         [](uint8_t* d, size_t n, Random& r) {
             return fewValued(d, n, r, 16, {0x00, 0xFF});
         }},
        {"two_valued_a_b",
         [](uint8_t* d, size_t n, Random& r) { return fewValued(d, n, r, 16, letters("ab")); }},
        {"two_valued_a_b_31",
         [](uint8_t* d, size_t n, Random& r) { return fewValued(d, n, r, 31, letters("ab")); }},
        {"three_valued",
         [](uint8_t* d, size_t n, Random& r) { return fewValued(d, n, r, 16, letters("abc")); }},
        {"three_valued_24",
         [](uint8_t* d, size_t n, Random& r) { return fewValued(d, n, r, 24, letters("abc")); }},
        // Periodic data, and a pattern taken from it with one byte wrong.
        {"periodic_abcdefgh",
         [](uint8_t* d, size_t n, Random&) {
             for (size_t i = 0; i < n; ++i) {
                 d[i] = static_cast<uint8_t>('a' + i % 8);
             }
             return Made{letters("abcdefghabcdefah"), letters("abcdefgh")};
         }},
        {"periodic_12_wrong_16th",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 12, 31, 15, {}); }},
        {"periodic_13_wrong_16th",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 31, 15, {}); }},
        {"periodic_17_wrong_16th",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 17, 31, 15, {}); }},
        {"periodic_13_wrong_1st",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 31, 0, {}); }},
        {"periodic_13_wrong_31st",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 31, 30, {}); }},
        {"periodic_5_wrong_9th_16",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 5, 16, 8, {}); }},
        {"periodic_13_wrong_3rd_of_6",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 6, 2, {}); }},
        {"periodic_13_00_01_wrong_16th",
         [](uint8_t* d, size_t n, Random& r) {
             return periodicChanged(d, n, r, 13, 31, 15, {0x00, 0x01});
         }},
        {"periodic_13_letters_wrong_16th",
         [](uint8_t* d, size_t n, Random& r) {
             return periodicChanged(d, n, r, 13, 31, 15, letters("etaoin"));
         }},
        // The pattern's rarest letters frequent in the data, as pairs at irregular places.
        {"letter_pairs_16_gap_32",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 16, 32); }},
        {"letter_pairs_16_gap_96",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 16, 96); }},
        {"letter_pairs_31_gap_32",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 31, 32); }},
        {"letter_pairs_31_gap_96",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 31, 96); }},
        {"letter_pairs_16_gap_8",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 16, 8); }},
        {"letter_pairs_31_gap_300",
         [](uint8_t* d, size_t n, Random& r) { return letterPairs(d, n, r, 31, 300); }},
        // Bursts of pairs, 2 KiB of them every 32 KiB: the search changes method at each.
        {"letter_pairs_31_bursts",
         [](uint8_t* d, size_t n, Random& r) {
             Made made = letterPairs(d, n, r, 31, 1 << 20);
             for (size_t at = 0; at + 31 <= n; at += 1 + r.below(15)) {
                 if (at % (32 << 10) < (2 << 10)) {
                     d[at + 1] = 'q';
                     d[at + 29] = 'z';
                 }
             }
             return made;
         }},
        // Text, and binary records.
        {"words", [](uint8_t* d, size_t n, Random& r) { return words(d, n, r); }},
        {"records_16", [](uint8_t* d, size_t n, Random&) { return records(d, n); }},
        // Near misses everywhere, each failing at its own place.
        {"near_miss_copies_16",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 16); }},
        {"near_miss_copies_6",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 6); }},
        {"near_miss_copies_31",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 31); }},
        {"near_miss_copies_8",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 8); }},
        {"near_miss_copies_9",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 9); }},
        {"near_miss_copies_12",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 12); }},
        {"near_miss_copies_24",
         [](uint8_t* d, size_t n, Random& r) { return nearMissCopies(d, n, r, 24); }},
        // Near misses out of step, in letters: copies with up to 7 letters between them.
        {"near_miss_letters_16_gaps",
         [](uint8_t* d, size_t n, Random& r) {
             return nearMissCopies(d, n, r, 16, 7, letters("abcdefghijklmnopqrstuvwxyz"));
         }},
        // Near misses, then random data of the pattern's own bytes, where those that pass a
        // test of one position crowd.
        {"near_miss_then_its_bytes_12",
         [](uint8_t* d, size_t n, Random& r) {
             Made made = nearMissCopies(d, n / 2, r, 12);
             fillFrom(d + n / 2, n - n / 2, made.pattern, r);
             return made;
         }},
        // Near misses, then random data of the pattern's three values, where they crowd.
        {"near_miss_then_three_valued_24",
         [](uint8_t* d, size_t n, Random& r) {
             const Bytes abc = letters("abc");
             Made made = nearMissCopies(d, n / 2, r, 24, 0, abc);
             fillFrom(d + n / 2, n - n / 2, abc, r);
             return made;
         }},
        {"near_miss_letters_6_gaps",
         [](uint8_t* d, size_t n, Random& r) {
             return nearMissCopies(d, n, r, 6, 3, letters("abcdefghijklmnopqrstuvwxyz"));
         }},
        {"broken_period_3_16",
         [](uint8_t* d, size_t n, Random&) { return brokenPeriod(d, n, 16); }},
        {"broken_period_3_31",
         [](uint8_t* d, size_t n, Random&) { return brokenPeriod(d, n, 31); }},
        // The same, then "abd" repeated: in step with the pattern but for every third byte.
        {"broken_period_then_abd_31",
         [](uint8_t* d, size_t n, Random&) {
             Made made = brokenPeriod(d, n, 31);
             for (size_t i = n / 2; i < n; ++i) {
                 d[i] = static_cast<uint8_t>(i % 3 == 2 ? 'd' : 'a' + i % 3);
             }
             made.alphabet.push_back('d');
             return made;
         }},
        // Patterns longer than 32 bytes.
        {"zeros_01_at_36_of_40",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 40, 35, 0x01); }},
        {"zeros_01_at_61_of_64",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 64, 60, 0x01); }},
        {"zeros_01_at_31_of_64",
         [](uint8_t* d, size_t n, Random&) { return run(d, n, 0x00, 64, 30, 0x01); }},
        {"random_64", [](uint8_t* d, size_t n, Random& r) { return randomBytes(d, n, r, 64); }},
        {"periodic_13_wrong_41st_of_48",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 48, 40, {}); }},
        {"periodic_13_wrong_25th_of_48",
         [](uint8_t* d, size_t n, Random& r) { return periodicChanged(d, n, r, 13, 48, 24, {}); }},
    };
    return classes;
}

// The first place at or after `from` where pattern occurs in data, or size.
inline size_t firstOccurrence(const uint8_t* data, size_t size, const Bytes& pattern, size_t from) {
    const uint8_t* end = data + size;
    const uint8_t* at =
        std::search(data + std::min(from, size), end,
                    std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end()));
    return static_cast<size_t>(at - data);
}

// Fills data with the class's bytes and returns a pattern that does not occur in it: each
// occurrence left by chance has its first byte changed to another value of the data's.
inline Bytes makeInput(const SearchClass& searchClass, uint8_t* data, size_t size,
                       uint64_t seed = 1) {
    Random random(seed);
    const Made made = searchClass.make(data, size, random);
    const size_t length = made.pattern.size();
    // A pattern byte the data lacks leaves nothing to look for.
    bool present[256] = {};
    for (size_t i = 0; i < size; ++i) {
        present[data[i]] = true;
    }
    if (!std::all_of(made.pattern.begin(), made.pattern.end(),
                     [&](uint8_t b) { return present[b]; })) {
        return made.pattern;
    }
    for (size_t at = firstOccurrence(data, size, made.pattern, 0); at < size;
         at = firstOccurrence(data, size, made.pattern, at >= length ? at - length : 0)) {
        const auto value = std::find(made.alphabet.begin(), made.alphabet.end(), data[at]);
        if (value == made.alphabet.end()) {
            data[at] = static_cast<uint8_t>(data[at] + 1);
        } else {
            data[at] = value + 1 == made.alphabet.end() ? made.alphabet[0] : value[1];
        }
    }
    return made.pattern;
}

} // namespace search_inputs
