#pragma once
// The system-wide name of a product's shared status block. A product name is free text from
// the configuration, but an object name is not: a backslash separates namespaces, and the
// length is limited. Every instance of setup of one product, and every chained setup of it,
// must arrive at the same name, and different products at different names.

#include <cstddef>
#include <string>

// Object names are limited to MAX_PATH characters, terminating zero included.
const std::size_t kMaxSharedBlockNameLength = 259;

// "TarvexSetup." + the product name with every character other than a letter, a digit, a
// blank, "-", "_" or "." replaced by "_" (cut to fit the limit) + "." + sixteen hexadecimal
// digits of a hash of the whole, unchanged name. The hash keeps apart names that differ only
// in replaced or cut characters ("A\B", "A/B", "A_B"); the prefix keeps product blocks apart
// from the start-up guard and from the objects of other programs. Case is kept, as object
// names are case-sensitive.
std::string SharedBlockName(const std::string& productName);
