// The RX and TX twins of every tuning sequence as data: each row names the fields, stages,
// channels and timers one side works with, so each sequence is written once.
#pragma once

#include "classic/tfmain.h"

#include <span>

namespace dopplex {

using Field = Control TFMain::*;

// A side's tracking timer for each step.
struct StepTimers {
    TFMain::TimerId step100, step25, step1000;
};

struct TuneSide {
    Field reference, quantised, outset;
    Channel tuned;
    Field up_stage, up_count;
    Field down_stage, down_count;
};

struct TrainStage {
    Field stage, start, count, log;
    Channel channel, tuned;
    Field adjust;
};

struct AdjustStage {
    Field button, reference, quantised, outset, catch_up_count, catch_up_stage;
    const StepTimers* timers;
};

struct CatchUpStage {
    Field stage, start, count, log; // the catch-up logs no counter lines, only a Stop
    Channel channel;
    const StepTimers* timers;
};

struct TrackingTimer {
    Field quantised, reference, display;
    double threshold_hz;
    Channel channel;
    double TFMain::*last;
};

struct ResetSide {
    Field button, difference, count, stage, start, log;
    Channel channel;
    const char* message;
};

extern const StepTimers kRxTimers, kTxTimers;
extern const TuneSide kRxTune, kTxTune;
extern const ResetSide kRxReset, kTxReset;
std::span<const TrainStage> train_stages();
std::span<const AdjustStage> adjust_stages();
std::span<const CatchUpStage> catch_up_stages();
// Indexed by timer id (Timer1 first).
std::span<const TrackingTimer> tracking_timers();

} // namespace dopplex
