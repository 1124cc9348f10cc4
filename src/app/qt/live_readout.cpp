#include "live_readout.h"

#include "live_text.h"
#include "tracker/link/client_conversation.h"

#include <QDateTime>
#include <QPointer>

namespace dopplex::app {

LiveReadout::LiveReadout(QWidget* parent) : QLabel(kLiveIdleText, parent) {
    setToolTip(kLiveTooltip);
    setStyleSheet("color: #006000;");
}

LiveReadout::~LiveReadout() {
    live_.reset(); // joins the watcher before the transport goes
}

void LiveReadout::watch(const std::string& runtime_dir) {
    live_.reset();
    transport_ = std::make_unique<link::SocketTransport>(runtime_dir);
    QPointer<LiveReadout> self(this);
    live_ = std::make_unique<link::LiveItem>(
        *transport_, kTrackerService, kTrackerTopic, kTrackerItem,
        [self](const std::string& bytes) {
            const QString text = QString::fromStdString(
                live_text(bytes, QDateTime::currentDateTimeUtc().toMSecsSinceEpoch()));
            QMetaObject::invokeMethod(
                self, [self, text] { self->setText(text); }, Qt::QueuedConnection);
        });
}

} // namespace dopplex::app
