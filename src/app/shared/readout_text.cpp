#include "readout_text.h"

#include <cstdio>

namespace dopplex::app {

namespace {

std::string whole_hz(double hz, bool signed_text) {
    char text[48];
    std::snprintf(text, sizeof text, signed_text ? "%+.0f" : "%.0f", hz);
    return text;
}

} // namespace

bool is_tx_channel(Channel channel) {
    return channel == Channel::TxUp || channel == Channel::TxDown;
}

std::string train_text(const TrainProgress& progress) {
    const bool up = progress.channel == Channel::RxUp || progress.channel == Channel::TxUp;
    std::string text = std::string(up ? "UP " : "DOWN ") + std::to_string(progress.sent) + " / " +
                       std::to_string(progress.count) + " pulses";
    if (progress.running) {
        return text + ", " + std::to_string((progress.left_ms + 999) / 1000) + " s left";
    }
    return text + (progress.sent < progress.count ? ", ended" : ", done");
}

std::string dial_text(const DialReading& reading) {
    // The label has room for three short lines: an offset takes the place of the title.
    std::string text = reading.offset_hz == 0
                           ? std::string("Dial estimate\n")
                           : "Offset " + whole_hz(reading.offset_hz, true) + " Hz\n";
    if (!reading.dial_hz) {
        return text + "no reference";
    }
    text += whole_hz(*reading.dial_hz, false) + " Hz";
    if (reading.difference_hz) {
        text += "\n" + whole_hz(*reading.difference_hz, *reading.difference_hz > 0) + " Hz off";
    }
    return text;
}

} // namespace dopplex::app
