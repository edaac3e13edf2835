#pragma once

#include <QByteArray>
#include <QString>

// Pinyin initials of a GBK text: one ASCII character per character of the
// input that has a reading (张三 -> zs, A栋 -> Ad, 1号楼 -> 1hl).
QByteArray PinyinInitials(const QByteArray &gbk);
// Encodes to GBK first; a character GBK cannot encode yields nothing.
QString PinyinInitials(const QString &text);

// The reading of one character given as 1 or 2 GBK bytes: a syllable, a
// transliteration, a number, a single ASCII character, or empty.
QByteArray CharacterReading(const char *bytes, int count);
