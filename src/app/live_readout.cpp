#include "live_readout.h"

#include "tracker/link/client_conversation.h"
#include "tracker/record/tracking_record.h"

namespace dopplex::app {

QString live_text(const std::string& record, const QDateTime& received) {
    const QString at = received.toUTC().toString("HH:mm:ss") + " UTC";
    TSatData data;
    std::string aos;
    try {
        ParseTrackingRecord(record, data, aos);
    } catch (const std::exception& error) {
        return QString("Live  unreadable update at %1: %2").arg(at, error.what());
    }
    return QString("Live  EL %1°  DN %2 Hz  UP %3 Hz  at %4")
        .arg(data.Elevation, 0, 'f', 1)
        .arg(data.Downlink, 0, 'f', 0)
        .arg(data.Uplink, 0, 'f', 0)
        .arg(at);
}

LiveReadout::LiveReadout(QWidget* parent)
    : QLabel("Live  no tracker yet", parent), latest_(this, [this](std::optional<Latest>& latest) {
          if (latest)
              setText(live_text(latest->bytes, latest->received));
      }) {
    setToolTip("Straight from the tracker, also while a train runs; the fields above are the "
               "updates the engine has applied");
    setStyleSheet("color: #006000;");
}

LiveReadout::~LiveReadout() {
    live_.reset(); // joins the watcher before the transport goes
}

void LiveReadout::watch(const std::string& runtime_dir) {
    live_.reset();
    transport_ = std::make_unique<link::SocketTransport>(runtime_dir);
    live_ = std::make_unique<link::LiveItem>(
        *transport_, kTrackerService, kTrackerTopic, kTrackerItem,
        [this](const std::string& bytes) {
            Latest latest{bytes, QDateTime::currentDateTimeUtc()};
            latest_.post([&](std::optional<Latest>& waiting) { waiting = std::move(latest); });
        });
}

} // namespace dopplex::app
