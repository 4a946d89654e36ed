#pragma once
// Version of the deliverables, as their version resources carry it.
#define TARVEX_VERSION_NUMBERS 1, 0, 0, 1
#define TARVEX_VERSION_TEXT "1.0.0.1"
