// Random-variate library, internal to its sources: the state of the Mersenne
// twister, shared by every MT object of the process.  vargen1.cpp defines,
// seeds and steps it; seedfile.cpp saves it to and restores it from the seed
// file.
#ifndef VARGEN_MT_STATE_H
#define VARGEN_MT_STATE_H

namespace vargen_internal {

const int MT_WORDS = 624;

extern unsigned long mt[MT_WORDS];  // the state words, each a 32-bit value
// Index of the next word to temper: MT_WORDS + 1 when never seeded, MT_WORDS
// when the block must be regenerated before the next draw.
extern int mti;

}  // namespace vargen_internal

#endif
