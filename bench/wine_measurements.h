// The measurements wine_bench runs, one file each; what they share is in bench_common.h.
#pragma once

#include "bench_common.h"

// The core loop in this Windows build (in the 32-bit one through the guard around library calls),
// with a library and a message pass that do nothing: the program's own work per attempt, over
// `rounds` rounds (halt_loop_measure.cpp).
void MeasureCoreLoop(int rounds);

// The halt loop's pace under Wine, the program's beside the halt-loop baseline's, in pairs of
// runs that take turns at going first (halt_loop_measure.cpp).
void MeasureHaltLoop(const Options& options);

// The unattended run's halt loop with its power-cycle command and without, alternately, in runs
// long enough for the command to start again a few times (halt_loop_measure.cpp).
void MeasurePowerCycledHaltLoop(const Options& options);

// The unattended run's halt loop with its standard output redirected to a file, where it streams
// its log and its count, and without (halt_loop_measure.cpp).
void MeasureStreamedHaltLoop(const Options& options);

// Milliseconds per log line of the program's report beside the report baseline's, for each
// number of ports asked for (report_measure.cpp).
void MeasureReport(const Options& options);

// What each step of a log line costs (bench/report_steps.cpp), in the way the program writes the
// log, the bare list box's way and the earlier ways of two steps (report_measure.cpp).
void MeasureReportSteps(const Options& options);

// Start-up, from process creation to the window waiting for input, stage by stage, and peak
// memory: the program's beside the start-up floor's and the baselines' (startup_measure.cpp).
void MeasureStartUp(const Options& options);
