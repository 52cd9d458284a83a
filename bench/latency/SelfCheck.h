// The screen reader's check of the number pattern, run before a benchmark
// trusts its readings: pictures drawn and encoded as the sender does,
// decoded, scaled to the sizes a player shows them at and put on a black
// screen, must be found and read back exactly; a picture torn between two
// numbers and an empty screen must read as nothing.
#ifndef KELO_BENCH_LATENCY_SELF_CHECK_H
#define KELO_BENCH_LATENCY_SELF_CHECK_H

namespace latency {

// Prints what failed; true when everything read back right.
bool PatternReadsBack();

}  // namespace latency

#endif  // KELO_BENCH_LATENCY_SELF_CHECK_H
