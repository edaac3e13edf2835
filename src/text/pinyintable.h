#pragma once

// The reading tables of the pinyin initials, generated from the Unihan
// database by tools/gen_pinyin_table.py into pinyintable.cpp.
namespace PinyinTable {

// One toneless syllable: its length (1 to 6) and its lower-case letters.
struct Syllable
{
    unsigned char length;
    char letters[6];
};

inline constexpr int kLeadFirst = 0x81;
inline constexpr int kTrailFirst = 0x40;
inline constexpr int kRowWidth = 191;  // trail bytes 0x40-0xFE
inline constexpr int kRowCount = 126;  // lead bytes 0x81-0xFE
inline constexpr int kReadingIndexSize = kRowCount * kRowWidth;

extern const int kSyllableCount;
extern const Syllable kSyllables[];
// Entry (lead - 0x81) * 191 + (trail - 0x40): 0 for no reading, else k for
// syllable kSyllables[k - 1].
extern const unsigned short kReadingIndex[kReadingIndexSize];

} // namespace PinyinTable
