// Arithmetic on plain arrays of 32-bit words, least significant word first,
// with 64-bit intermediate products. CBigNumber is built on these; they do no
// allocation and no length bookkeeping of their own.
#pragma once

#include <cstdint>

namespace cvbignum {

using Word = uint32_t;
using DWord = uint64_t;

// a[0..n) += w; returns the carry out of the top word.
Word AddWord(Word* a, uint32_t n, Word w);
// r = a + b over n words; returns the carry. r may alias a or b.
Word Add(Word* r, const Word* a, const Word* b, uint32_t n);
// r = a - b over n words; returns the borrow. r may alias a or b.
Word Sub(Word* r, const Word* a, const Word* b, uint32_t n);
// r = a * w; returns the top word. r may alias a.
Word MulWord(Word* r, const Word* a, uint32_t n, Word w);
// r += a * w over n words; returns the carry word.
Word MulAddWord(Word* r, const Word* a, uint32_t n, Word w);
// r -= a * w over n words; returns the borrow word.
Word MulSubWord(Word* r, const Word* a, uint32_t n, Word w);
// -1, 0 or 1 as a is below, equal to or above b, both n words.
int Compare(const Word* a, const Word* b, uint32_t n);
// r = a << bits (0..31); returns the bits shifted out. r may alias a.
Word ShiftLeft(Word* r, const Word* a, uint32_t n, unsigned bits);
// r = a >> bits (0..31); returns the bits shifted out, at the top of the word.
Word ShiftRight(Word* r, const Word* a, uint32_t n, unsigned bits);
// a <<= 1; returns the bit shifted out.
Word ShiftLeft1(Word* a, uint32_t n);
// Length of a[0..n) without its top zero words.
uint32_t Trim(const Word* a, uint32_t n);
uint32_t BitLength(const Word* a, uint32_t n);
void CopyWords(Word* r, const Word* a, uint32_t n);
void ZeroWords(Word* r, uint32_t n);

// Remainder of num[0..n) by den[0..m), left in num[0..m). Needs n >= m >= 1,
// den[m-1] != 0, one spare word num[n] and m words of scratch.
void Remainder(Word* num, uint32_t n, const Word* den, uint32_t m, Word* scratch);

// r[0..an+bn) = a * b. r must not overlap a or b.
void Mul(Word* r, const Word* a, uint32_t an, const Word* b, uint32_t bn);
// r[0..2n) = a * a. r must not overlap a.
void Sqr(Word* r, const Word* a, uint32_t n);

} // namespace cvbignum
