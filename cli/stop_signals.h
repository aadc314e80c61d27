// SIGINT and SIGTERM ask a running `pelmo collect` to stop as "停止" does, so that the rows of the
// pages it processed are still written, instead of ending it on the spot.
#pragma once

namespace cli {

// From now on SIGINT and SIGTERM only note that they came (the handler sets an atomic flag and
// nothing else).
void CatchStopSignals();

// The last of SIGINT and SIGTERM that came since CatchStopSignals; 0 when none did.
int StopSignal();

// The exit status of a program that stopped for the signal: 128 plus its number.
int StoppedBySignalStatus(int signal);

}  // namespace cli
