#include "live_readout.h"

#include "live_text.h"
#include "tracker/link/client_conversation.h"

#include <QDateTime>

namespace dopplex::app {

LiveReadout::LiveReadout(QWidget* parent)
    : QLabel(kLiveIdleText, parent), latest_(this, [this](std::optional<Latest>& latest) {
          if (latest)
              setText(QString::fromStdString(live_text(latest->bytes, latest->received_utc_ms)));
      }) {
    setToolTip(kLiveTooltip);
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
            Latest latest{bytes, QDateTime::currentDateTimeUtc().toMSecsSinceEpoch()};
            latest_.post([&](std::optional<Latest>& waiting) { waiting = std::move(latest); });
        });
}

} // namespace dopplex::app
