#pragma once
// Bounded C-string helpers for the fixed-size text fields of shared records, and the small
// parsing and searching helpers that work on plain zero-terminated texts. Every helper
// tolerates null pointers: it then does nothing and returns 0, null, false or -1 as stated.

#include <cstddef>
#include <string>
#include <vector>

// Copies src with its terminator into dst when it fits in size bytes and returns the
// number of bytes copied; otherwise logs the refusal, leaves dst untouched and returns 0.
// Null pointers do nothing and return 0.
int StrNCopy(char* dst, const char* src, std::size_t size);

// Fixed-size array overload: the size is taken from the destination itself.
template <std::size_t N>
int StrNCopy(char (&dst)[N], const char* src) {
    return StrNCopy(dst, src, N);
}

// Copies as much of src as fits in size bytes into dst, always with its terminator: the
// result buffers of plug-in calls take a cut answer rather than none. size is an int
// because those buffers come with a signed size; a size of 0 or below, or a null dst, writes
// nothing, and a null src is copied as "".
void StrCopyTruncated(char* dst, const char* src, int size);

// Clears dst and copies src up to the first delimiter. Returns the delimiter's index in src,
// or -1 when src ended first. When the piece does not fit in size bytes (terminator
// included) an error is logged, dst holds the part that fits and the result is -1.
// Null pointers or a zero size return -1, so that a caller's loop ends.
int StrCopyToToken(char delimiter, const char* src, char* dst, std::size_t size);

// Splits text at the delimiter (see StrCopyToToken for the size of one piece): empty pieces
// between two delimiters are kept, a delimiter at the very end adds nothing, and a piece
// without a following delimiter, or one that does not fit, takes the whole rest of the
// text. maximum > 0 stops after that many pieces.
std::vector<std::string> SplitTokens(const char* text, char delimiter, int maximum);

// True for null or "".
bool IsEmptyText(const char* s);

// Compares at most n characters, with or without regard to case (ASCII letters); -1, 0
// or 1. A null text compares as the empty text.
int CompareN(const char* a, const char* b, std::size_t n, bool ignoreCase);

// First / last occurrence of sub in s, or null. An empty sub is found at the start / the
// end of s.
const char* FindText(const char* s, const char* sub, bool ignoreCase);
const char* FindLastText(const char* s, const char* sub, bool ignoreCase);

// The integer test used wherever a text must be a plain decimal int: blanks and tabs
// around it are ignored, one "+" before the digits is allowed, and the rest must be exactly
// how "%d" prints the value ("05", "5x", "-0" and values outside the int range fail).
// *out is written only on success.
bool ParseInt(const char* text, int* out);

// Converts the text, trimmed of blanks and tabs, in the given base (as strtol does); fails
// when anything is left over, nothing was converted or the value is out of range.
bool ParseLong(const char* text, long* out, int base);

// True when word occurs in text as a whole item, bounded on each side by the separator, a
// character of set (may be null) or an end of the text. Case-sensitive.
bool ContainsWord(const char* word, const char* text, char separator, const char* set);

// In-place trims of the characters of set from both ends / the start / the end; they
// return s.
char* TrimChars(char* s, const char* set);
char* TrimCharsLeft(char* s, const char* set);
char* TrimCharsRight(char* s, const char* set);

// Deletes every character of set from s, in place.
void RemoveChars(char* s, const char* set);
