#include "classic/side_tables.h"

#include <array>

namespace dopplex {

const StepTimers kRxTimers{TFMain::Timer2, TFMain::Timer1, TFMain::Timer3};
const StepTimers kTxTimers{TFMain::Timer4, TFMain::Timer6, TFMain::Timer5};

const TuneSide kRxTune{&TFMain::Edit1,   &TFMain::Edit2, &TFMain::Edit8,   Channel::RxTuned,
                       &TFMain::Button4, &TFMain::Edit4, &TFMain::Button5, &TFMain::Edit6};
const TuneSide kTxTune{&TFMain::Edit13,   &TFMain::Edit14, &TFMain::Edit19,   Channel::TxTuned,
                       &TFMain::Button13, &TFMain::Edit16, &TFMain::Button14, &TFMain::Edit18};

const ResetSide kRxReset{
    &TFMain::Button22, &TFMain::Edit7, &TFMain::Edit24, &TFMain::Button24,
    &TFMain::Edit3,    &TFMain::Memo1, Channel::RxUp,   "RX freq. set for next pass ! Check it !"};
// The TX reset starts its counter from the RX start field.
const ResetSide kTxReset{
    &TFMain::Button23, &TFMain::Edit22, &TFMain::Edit25, &TFMain::Button25,
    &TFMain::Edit3,    &TFMain::Memo4,  Channel::TxDown, "TX freq. set for next pass ! Check it !"};

namespace {

const std::array kTrainStages{
    TrainStage{&TFMain::Button4, &TFMain::Edit3, &TFMain::Edit4, &TFMain::Memo1, Channel::RxUp,
               Channel::RxTuned, &TFMain::Button7},
    TrainStage{&TFMain::Button5, &TFMain::Edit5, &TFMain::Edit6, &TFMain::Memo2, Channel::RxDown,
               Channel::RxTuned, &TFMain::Button9},
    TrainStage{&TFMain::Button13, &TFMain::Edit15, &TFMain::Edit16, &TFMain::Memo3, Channel::TxUp,
               Channel::TxTuned, &TFMain::Button15},
    TrainStage{&TFMain::Button14, &TFMain::Edit17, &TFMain::Edit18, &TFMain::Memo4, Channel::TxDown,
               Channel::TxTuned, &TFMain::Button16},
};

const std::array kAdjustStages{
    AdjustStage{&TFMain::Button7, &TFMain::Edit1, &TFMain::Edit2, &TFMain::Edit8, &TFMain::Edit12,
                &TFMain::Button8, &kRxTimers},
    AdjustStage{&TFMain::Button9, &TFMain::Edit1, &TFMain::Edit2, &TFMain::Edit8, &TFMain::Edit12,
                &TFMain::Button10, &kRxTimers},
    AdjustStage{&TFMain::Button15, &TFMain::Edit13, &TFMain::Edit14, &TFMain::Edit19,
                &TFMain::Edit20, &TFMain::Button17, &kTxTimers},
    AdjustStage{&TFMain::Button16, &TFMain::Edit13, &TFMain::Edit14, &TFMain::Edit19,
                &TFMain::Edit20, &TFMain::Button18, &kTxTimers},
};

// Both RX catch-ups step the receiver down; on TX the stage of each Adjust keeps its direction.
const std::array kCatchUpStages{
    CatchUpStage{&TFMain::Button8, &TFMain::Edit3, &TFMain::Edit12, &TFMain::Memo2, Channel::RxDown,
                 &kRxTimers},
    CatchUpStage{&TFMain::Button10, &TFMain::Edit3, &TFMain::Edit12, &TFMain::Memo2,
                 Channel::RxDown, &kRxTimers},
    CatchUpStage{&TFMain::Button17, &TFMain::Edit15, &TFMain::Edit20, &TFMain::Memo3, Channel::TxUp,
                 &kTxTimers},
    CatchUpStage{&TFMain::Button18, &TFMain::Edit15, &TFMain::Edit20, &TFMain::Memo4,
                 Channel::TxDown, &kTxTimers},
};

// Through a pass the downlink falls and the corrected uplink rises: RX only ever steps down,
// TX only up.
const std::array kTrackingTimers{
    TrackingTimer{&TFMain::Edit10, &TFMain::Edit1, &TFMain::Edit7, 25, Channel::RxDown,
                  &TFMain::LastRxDoppler}, // Timer1
    TrackingTimer{&TFMain::Edit2, &TFMain::Edit1, &TFMain::Edit7, 100, Channel::RxDown,
                  &TFMain::LastRxDoppler}, // Timer2
    TrackingTimer{&TFMain::Edit11, &TFMain::Edit1, &TFMain::Edit7, 1000, Channel::RxDown,
                  &TFMain::LastRxDoppler}, // Timer3
    TrackingTimer{&TFMain::Edit14, &TFMain::Edit13, &TFMain::Edit22, 100, Channel::TxUp,
                  &TFMain::LastTxDoppler}, // Timer4
    TrackingTimer{&TFMain::Edit21, &TFMain::Edit13, &TFMain::Edit22, 1000, Channel::TxUp,
                  &TFMain::LastTxDoppler}, // Timer5
    TrackingTimer{&TFMain::Edit23, &TFMain::Edit13, &TFMain::Edit22, 25, Channel::TxUp,
                  &TFMain::LastTxDoppler}, // Timer6
};

} // namespace

std::span<const TrainStage> train_stages() {
    return kTrainStages;
}
std::span<const AdjustStage> adjust_stages() {
    return kAdjustStages;
}
std::span<const CatchUpStage> catch_up_stages() {
    return kCatchUpStages;
}
std::span<const TrackingTimer> tracking_timers() {
    return kTrackingTimers;
}

} // namespace dopplex
