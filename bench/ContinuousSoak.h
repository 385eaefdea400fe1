// Soak run of a continuous series: one press of the start button in the offscreen main window
// on the simulated unit (real time, CH0 streaming the counter) starts block after block with a
// moving power average of 16, for a given time, then the stop button ends it. Every completed
// block is checked sample by sample as the window finishes it, and counted against the blocks
// the window reports done, the acquisition commands the unit received and the samples it sent.
// Reported: blocks completed against the blocks the elapsed time would hold back to back, the
// gap between blocks, the receive queue's overrun reports, the process's CPU with the simulated
// unit's part apart, the longest event-loop pause and the resident memory over the run.
//
// Usage: tavrin-soak --continuous [SECONDS] [--count N] [--rate-index 0..16] [--strict]
// Exit code 0: every block whole and none lost; 1: a block wrong or lost, an overrun, or the
// series or its stop misbehaved; 2 (--strict only): the memory grew after the first tenth, or
// the window idle after the stop takes more than the idle target.
#pragma once

// The arguments ask for the continuous series.
bool WantsContinuousSoak(int argc, char** argv);
int ContinuousSoakMain(int argc, char** argv);
